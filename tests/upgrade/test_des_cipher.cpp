#include <QtTest>

#include "upgrade/des_cipher.h"

namespace {

using bytes_t = QByteArray;

const std::uint8_t* u8(const bytes_t& b) {
    return reinterpret_cast<const std::uint8_t*>(b.constData());
}

// The buffer rounded up to whole blocks, as the cipher reads and writes it.
bytes_t crypt(const bytes_t& in, const bytes_t& key, bool decrypt, int key_length = -1) {
    bytes_t out(((in.size() + 7) / 8) * 8, '\0');
    const bytes_t padded = in + bytes_t(out.size() - in.size(), '\0');
    const bool ok = des_crypt(reinterpret_cast<std::uint8_t*>(out.data()), u8(padded), in.size(),
                              u8(key), key_length < 0 ? key.size() : key_length, decrypt);
    return ok ? out : bytes_t("failed");
}

bytes_t encrypt(const bytes_t& in, const bytes_t& key) {
    return crypt(in, key, false);
}
bytes_t decrypt(const bytes_t& in, const bytes_t& key) {
    return crypt(in, key, true);
}

const bytes_t plain = QByteArray::fromHex("00112233445566778899aabbccddeeff0102030405060708");
const bytes_t key8 = QByteArray::fromHex("133457799bbcdff1");
const bytes_t key16 = QByteArray::fromHex("0123456789abcdeffedcba9876543210");

}  // namespace

class test_des_cipher : public QObject {
    Q_OBJECT
private slots:
    void known_answers_data() {
        QTest::addColumn<bytes_t>("key");
        QTest::addColumn<bytes_t>("input");
        QTest::addColumn<bool>("decrypting");
        QTest::addColumn<bytes_t>("output");
        auto row = [](const char* name, const char* key, const char* in, bool dec,
                      const char* out) {
            QTest::newRow(name) << QByteArray::fromHex(key) << QByteArray::fromHex(in) << dec
                                << QByteArray::fromHex(out);
        };
        row("single encrypt", "0102030405060708", "0001020304050607", false, "ef0bcab25b2d4bb6");
        row("triple encrypt", "0102030405060708090a0b0c0d0e0f10", "0001020304050607", false,
            "9db4d66e6a009f43");
        row("triple encrypt, two blocks", "0123456789abcdeffedcba9876543210",
            "51525834383239004142434445464748", false, "86524dda03087f6c68993c45fd0fce6d");
        row("single decrypt", "0123456789abcdef", "0000000000000000", true, "747db37794921486");
        row("triple decrypt, 9-byte key", "0123456789abcdeffe", "ffffffffffffffff", true,
            "48267d5dc4e9ba84");
    }
    void known_answers() {
        QFETCH(bytes_t, key);
        QFETCH(bytes_t, input);
        QFETCH(bool, decrypting);
        QFETCH(bytes_t, output);
        QCOMPARE(crypt(input, key, decrypting).toHex(), output.toHex());
        QCOMPARE(crypt(output, key, !decrypting).toHex(), input.toHex());
    }

    void differs_from_the_standard_cipher() {
        // The textbook example: a standard engine gives 85e813540f0ab405.
        const bytes_t out = encrypt(QByteArray::fromHex("0123456789abcdef"), key8);
        QVERIFY(out != QByteArray::fromHex("85e813540f0ab405"));
    }

    void round_trips_in_place_in_both_modes() {
        for (const bytes_t& key : {key8, key16}) {
            bytes_t buffer = plain;
            auto* p = reinterpret_cast<std::uint8_t*>(buffer.data());
            QVERIFY(des_crypt(p, p, buffer.size(), u8(key), key.size(), false));
            QVERIFY(buffer != plain);
            QCOMPARE(buffer, encrypt(plain, key));
            QVERIFY(des_crypt(p, p, buffer.size(), u8(key), key.size(), true));
            QCOMPARE(buffer.toHex(), plain.toHex());
        }
    }

    void triple_with_equal_halves_is_single() {
        QCOMPARE(decrypt(plain, key8 + key8).toHex(), decrypt(plain, key8).toHex());
        QCOMPARE(encrypt(plain, key8 + key8).toHex(), encrypt(plain, key8).toHex());
    }

    void only_the_low_seven_bits_of_each_key_byte_count() {
        for (const bytes_t& key : {key8, key16}) {
            const bytes_t reference = encrypt(plain, key);
            for (int i = 0; i < key.size(); ++i) {
                bytes_t high = key;
                high[i] = char(high[i] ^ 0x80);
                QVERIFY2(encrypt(plain, high) == reference, qPrintable(QString::number(i)));
                bytes_t low = key;
                low[i] = char(low[i] ^ 0x01);
                QVERIFY2(encrypt(plain, low) != reference, qPrintable(QString::number(i)));
            }
        }
    }

    void key_length_selects_mode_and_bytes_used() {
        // Bytes past the length given are never read, so they must not matter.
        const bytes_t long_key = QByteArray::fromHex("0123456789abcdeffedcba98765432105a5a5a5a5a");
        for (int length = 0; length <= long_key.size(); ++length) {
            const int used = qMin(length, 16);
            const bytes_t padded = long_key.left(used) + bytes_t(16 - used, '\0');
            const bytes_t expected =
                length > 8 ? encrypt(plain, padded) : encrypt(plain, padded.left(8));
            QVERIFY2(crypt(plain, long_key, false, length) == expected,
                     qPrintable(QString::number(length)));
        }
        QVERIFY(encrypt(plain, key16.left(9)) != encrypt(plain, key16.left(8)));
    }

    void partial_block_is_rounded_up() {
        const bytes_t nine = plain.left(9);
        QCOMPARE(encrypt(nine, key16).size(), 16);
        QCOMPARE(encrypt(nine, key16), encrypt(nine + bytes_t(7, '\0'), key16));
    }

    void empty_or_null_touches_nothing() {
        const bytes_t sentinel(16, '\x5a');
        bytes_t out = sentinel;
        auto* o = reinterpret_cast<std::uint8_t*>(out.data());
        const std::uint8_t* in = u8(plain);
        const std::uint8_t* key = u8(key16);
        for (int length : {0, -1, -8, -100}) {
            QVERIFY(des_crypt(o, in, length, key, 16, true));
        }
        QVERIFY(!des_crypt(nullptr, in, 16, key, 16, true));
        QVERIFY(!des_crypt(o, nullptr, 16, key, 16, true));
        QVERIFY(!des_crypt(o, in, 16, nullptr, 16, true));
        QVERIFY(!des_crypt(o, in, 16, nullptr, 0, false));
        QCOMPARE(out, sentinel);
    }
};

QTEST_APPLESS_MAIN(test_des_cipher)
#include "test_des_cipher.moc"
