#pragma once

// The VISA link as the rest of the program sees it.
bool visa_available();
bool visa_write(const char* bytes, int count);
int visa_read(char* buffer, int max_count);
