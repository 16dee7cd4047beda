#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cstring>

#include "upgrade/image_reader.h"
#include "upgrade/image_writer.h"

namespace {

using chain_t = QVector<section_descriptor_t>;

// The layout example: a 12-byte product text, then a 5000-byte application.
const QVector<image_section_t> example_sections = {
    {section_product, "KVT0402Q-ONE"},
    {section_application, QByteArray(5000, '\xa7')},
};

image_header_t plain_header(quint32 end_offset, qint32 image_id) {
    image_header_t header{};
    header.end_offset = end_offset;
    header.image_id = image_id;
    std::memcpy(header.signature, image_signature, sizeof header.signature);
    return header;
}

QByteArray with_header(QByteArray image, const image_header_t& header) {
    return image.replace(0, image_header_size, encrypt_image_header(header));
}

QByteArray descriptor(quint32 type, quint32 offset, quint32 length) {
    QByteArray out(12, '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    qToLittleEndian(type, p);
    qToLittleEndian(offset, p + 4);
    qToLittleEndian(length, p + 8);
    return out;
}

bool same(const section_descriptor_t& a, const section_descriptor_t& b) {
    return a.type == b.type && a.data_offset == b.data_offset && a.data_length == b.data_length;
}

}  // namespace

Q_DECLARE_METATYPE(image_verdict_t)

class test_image_reader : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QByteArray write(const QByteArray& bytes, const QString& name = "image.ADS") {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return QFile::encodeName(path);
    }

private slots:
    void acceptance_starts_at_700_exact() {
        const image_acceptance_t a = image_acceptance();
        QCOMPARE(a.expected_id, 700);
        QCOMPARE(a.min_id, 0);
        QCOMPARE(a.max_id, 0);
        QCOMPARE(a.range_mode, false);
    }

    void cleanup() { set_image_acceptance(700, 0, 0, false); }

    void example_layout_reads_back() {
        const QByteArray image = make_image(700, example_sections);
        QCOMPARE(image.size(), 5148);
        const QByteArray path = write(image);
        image_header_t header;
        QVERIFY(check_image_header(path, header));
        QCOMPARE(header.end_offset, 5148u);
        QCOMPARE(header.image_id, 700);
        section_descriptor_t first{};
        QVERIFY(read_section_descriptor(path, first, first_descriptor_offset));
        QVERIFY(same(first, {5, 124, 12}));
        QByteArray text(12, '\0');
        QVERIFY(read_image_bytes(path, first.data_offset, first.data_length, text.data()));
        QCOMPARE(text, QByteArray("KVT0402Q-ONE"));
        chain_t chain;
        QCOMPARE(validate_image(path, &chain), image_ok);
        QCOMPARE(chain.size(), 2);
        QVERIFY(same(chain[0], {5, 124, 12}));
        QVERIFY(same(chain[1], {1, 148, 5000}));
    }

    void one_section_reaching_the_end_is_the_whole_chain() {
        chain_t chain;
        const QByteArray path = write(make_image(700, {{section_bootloader, "boot"}}));
        QCOMPARE(validate_image(path, &chain), image_ok);
        QCOMPARE(chain.size(), 1);
    }

    void every_signature_byte_counts() {
        const QByteArray image = make_image(700, example_sections);
        for (int i = 0; i < 8; ++i) {
            image_header_t header = plain_header(5148, 700);
            header.signature[i] = char(header.signature[i] ^ 0x01);
            const QByteArray path = write(with_header(image, header));
            image_header_t read;
            QVERIFY2(!check_image_header(path, read), qPrintable(QString::number(i)));
            QCOMPARE(validate_image(path, nullptr), image_bad_signature);
        }
    }

    void image_number_acceptance_data() {
        QTest::addColumn<bool>("range_mode");
        QTest::addColumn<int>("min_id");
        QTest::addColumn<int>("max_id");
        QTest::addColumn<int>("image_id");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("exact 700") << false << 0 << 0 << 700 << true;
        QTest::newRow("exact 701") << false << 0 << 0 << 701 << false;
        QTest::newRow("exact 0") << false << 0 << 0 << 0 << false;
        QTest::newRow("range low bound") << true << 100 << 200 << 100 << true;
        QTest::newRow("range middle") << true << 100 << 200 << 150 << true;
        QTest::newRow("range high bound") << true << 100 << 200 << 200 << true;
        QTest::newRow("range below") << true << 100 << 200 << 99 << false;
        QTest::newRow("range above") << true << 100 << 200 << 201 << false;
        QTest::newRow("negative below zero bound") << true << 0 << 10 << -5 << false;
        QTest::newRow("negative within negative range") << true << -10 << -1 << -5 << true;
        QTest::newRow("most negative") << true << 0 << 0 << int(0x80000000u) << false;
    }
    void image_number_acceptance() {
        QFETCH(bool, range_mode);
        QFETCH(int, min_id);
        QFETCH(int, max_id);
        QFETCH(int, image_id);
        QFETCH(bool, accepted);
        set_image_acceptance(700, min_id, max_id, range_mode);
        const QByteArray path = write(make_image(image_id, example_sections));
        image_header_t header{};
        QCOMPARE(check_image_header(path, header), accepted);
        // The worker takes the header from the buffer whatever the verdict.
        QCOMPARE(header.image_id, image_id);
        QCOMPARE(header.end_offset, 5148u);
        QCOMPARE(validate_image(path, nullptr), accepted ? image_ok : image_not_accepted);
    }

    void line_end_and_eof_bytes_are_read_unchanged() {
        // Blocks 3 and 13 decrypt into bytes nobody interprets, so any cipher text fits there.
        const QByteArray awkward("\r\n\x1a\r\n\x1a\r\n", 8);
        QByteArray image = make_image(700, example_sections);
        image.replace(24, 8, awkward).replace(104, 8, awkward);
        const QByteArray path = write(image);
        image_header_t header;
        QVERIFY(check_image_header(path, header));
        QCOMPARE(header.end_offset, 5148u);
        QByteArray back(8, '\0');
        QVERIFY(read_image_bytes(path, 104, 8, back.data()));
        QCOMPARE(back, awkward);
    }

    void type_is_chosen_by_its_low_byte_and_kept_whole() {
        chain_t chain;
        QCOMPARE(validate_image(write(make_image(700, {{0x105, "PRODUCT"}})), &chain), image_ok);
        QCOMPARE(chain.value(0).type, 0x105u);
        QCOMPARE(validate_image(write(make_image(700, {{0x105, QByteArray(77, 'x')}})), nullptr),
                 image_identity_too_long);
        QCOMPARE(QByteArray(identity_prefix(quint8(0x105))),
                 QByteArray("SYSTem:DEVice:PRODUCTUG "));
    }

    void unknown_types_pass_the_check() {
        for (quint32 type : {0u, 2u, 4u, 7u, 11u, 0xffu}) {
            QVERIFY(identity_prefix(quint8(type)) == nullptr);
            const QByteArray path = write(make_image(700, {{type, QByteArray(300, 'u')}}));
            QCOMPARE(validate_image(path, nullptr), image_ok);
        }
    }

    void identity_text_fits_its_command_data() {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<int>("longest");
        QTest::newRow("product") << 5u << QByteArray("SYSTem:DEVice:PRODUCTUG ") << 76;
        QTest::newRow("manufacturer") << 6u << QByteArray("SYSTem:DEVice:MANUFTRUG ") << 76;
        QTest::newRow("pid") << 8u << QByteArray("SYSTem:DEVice:PIDUG ") << 80;
        QTest::newRow("vid") << 9u << QByteArray("SYSTem:DEVice:VIDUG ") << 80;
        QTest::newRow("product id") << 10u << QByteArray("SYSTem:DEVice:PRODUCTUG:ID ") << 73;
    }
    void identity_text_fits_its_command() {
        QFETCH(quint32, type);
        QFETCH(QByteArray, prefix);
        QFETCH(int, longest);
        QCOMPARE(QByteArray(identity_prefix(quint8(type))), prefix);
        const QVector<image_section_t> fits = {{type, QByteArray(longest, 'i')},
                                               {section_application, "app"}};
        QCOMPARE(validate_image(write(make_image(700, fits)), nullptr), image_ok);
        const QVector<image_section_t> too_long = {{type, QByteArray(longest + 1, 'i')},
                                                   {section_application, "app"}};
        chain_t chain;
        QCOMPARE(validate_image(write(make_image(700, too_long)), &chain), image_identity_too_long);
        QCOMPARE(chain.size(), 1);
    }

    void malformed_images_are_refused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<image_verdict_t>("verdict");
        QTest::addColumn<int>("sections_read");
        const QByteArray example = make_image(700, example_sections);
        const QByteArray header_5000 = encrypt_image_header(plain_header(5000, 700));
        QTest::newRow("empty file") << QByteArray() << image_unreadable << 0;
        QTest::newRow("truncated header") << example.left(111) << image_unreadable << 0;
        QTest::newRow("header alone") << example.left(112) << image_descriptor_past_end << 0;
        QTest::newRow("truncated descriptor")
            << example.left(140) << image_descriptor_past_end << 1;
        QTest::newRow("truncated data") << example.left(5147) << image_data_past_end << 2;
        QTest::newRow("chain overshoots its end")
            << with_header(example, plain_header(140, 700)) << image_chain_overshoots << 2;
        QTest::newRow("chain ends before its end")
            << with_header(example, plain_header(5200, 700)) << image_descriptor_past_end << 2;
        QTest::newRow("offset wraps past 32 bits")
            << header_5000 + descriptor(1, 0xfffffff0u, 0x20) + QByteArray(5000, '\0')
            << image_data_past_end << 1;
        QTest::newRow("chain loops onto itself")
            << header_5000 + descriptor(1, 100, 12) + QByteArray(5000, '\0') << image_chain_too_long
            << max_image_sections;
    }
    void malformed_images_are_refused() {
        QFETCH(QByteArray, bytes);
        QFETCH(image_verdict_t, verdict);
        QFETCH(int, sections_read);
        chain_t chain;
        QCOMPARE(validate_image(write(bytes), &chain), verdict);
        QCOMPARE(chain.size(), sections_read);
        QVERIFY(!image_verdict_text(verdict).isEmpty());
    }

    void missing_file_is_unreadable() {
        const QByteArray path = QFile::encodeName(dir.filePath("absent.ADS"));
        image_header_t header;
        QVERIFY(!check_image_header(path, header));
        QCOMPARE(validate_image(path, nullptr), image_unreadable);
    }

    void short_reads_leave_the_rest_alone() {
        const QByteArray path = write(make_image(700, example_sections));
        QByteArray buffer(16, '#');
        QVERIFY(!read_image_bytes(path, 5140, 16, buffer.data()));
        QCOMPARE(buffer, QByteArray(8, '\xa7') + QByteArray(8, '#'));
        section_descriptor_t descriptor{7, 8, 9};
        QVERIFY(!read_section_descriptor(path, descriptor, 5144));
        QVERIFY(same(descriptor, {7, 8, 9}));
    }

    void non_ascii_directory_name() {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Prüfung 固件")));
        const QByteArray path =
            write(make_image(700, example_sections), QStringLiteral("Prüfung 固件/Ström.ADS"));
        image_header_t header;
        QVERIFY(check_image_header(path, header));
        QCOMPARE(validate_image(path, nullptr), image_ok);
        QByteArray text(12, '\0');
        QVERIFY(read_image_bytes(path, 124, 12, text.data()));
        QCOMPARE(text, QByteArray("KVT0402Q-ONE"));
    }
};

QTEST_APPLESS_MAIN(test_image_reader)
#include "test_image_reader.moc"
