#include "driver/visa.h"

// No VISA binding yet: the program runs on the serial link alone.
bool visa_available() {
    return false;
}

bool visa_write(const char*, int) {
    return false;
}

int visa_read(char*, int) {
    return -1;
}
