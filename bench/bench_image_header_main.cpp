// Time of the image header check that an upgrade makes before it sends
// anything: read the 112 header bytes of an image file, decrypt them and
// verify signature and image number.
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_table.h"
#include "upgrade/image_reader.h"
#include "upgrade/image_writer.h"

namespace {

constexpr int checks_per_sample = 100;

}  // namespace

int main(int argc, char** argv) {
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryFile file;
    const QByteArray image =
        make_image(image_acceptance().expected_id, {{section_application, QByteArray(64, 'x')}});
    if (!file.open() || file.write(image) != image.size() || !file.flush()) {
        std::fprintf(stderr, "cannot write an image to measure\n");
        return 1;
    }
    const QByteArray path = QFile::encodeName(file.fileName());
    image_header_t header{};
    if (!check_image_header(path, header)) {
        std::fprintf(stderr, "the image written is not accepted\n");
        return 1;
    }
    std::vector<double> microseconds;
    for (int i = 0; i < samples; ++i) {
        QElapsedTimer timer;
        timer.start();
        for (int j = 0; j < checks_per_sample; ++j) {
            check_image_header(path, header);
        }
        microseconds.push_back(double(timer.nsecsElapsed()) / 1e3 / checks_per_sample);
    }
    print_row("Image header check (read, decrypt, verify 112 bytes)", summarize(microseconds), "µs",
              "none: a figure of its own", "—", "—");
    return 0;
}
