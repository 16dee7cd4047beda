#include "upgrade/des_cipher.h"

#include <cstring>

const std::uint8_t image_key[16] = {0x5e, 0xa1, 0x3c, 0x97, 0x08, 0xd4, 0x6b, 0xf2,
                                    0x41, 0x9d, 0xe7, 0x26, 0xb0, 0x7a, 0x13, 0xc8};

namespace {

using bit_t = std::uint8_t;
using subkeys_t = bit_t[16][48];

const std::uint8_t ip_table[64] = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                                   62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                                   57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                                   61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

const std::uint8_t fp_table[64] = {40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
                                   38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
                                   36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
                                   34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

const std::uint8_t e_table[48] = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                                  12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                                  22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

const std::uint8_t p_table[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                  2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

const std::uint8_t pc1_table[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

const std::uint8_t pc2_table[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                    26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                    51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

const std::uint8_t shift_table[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

const std::uint8_t s_boxes[8][4][16] = {{{14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
                                         {0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8},
                                         {4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0},
                                         {15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13}},
                                        {{15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
                                         {3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5},
                                         {0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15},
                                         {13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9}},
                                        {{10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
                                         {13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1},
                                         {13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7},
                                         {1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12}},
                                        {{7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
                                         {13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9},
                                         {10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4},
                                         {3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14}},
                                        {{2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
                                         {14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6},
                                         {4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14},
                                         {11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3}},
                                        {{12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
                                         {10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8},
                                         {9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6},
                                         {4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13}},
                                        {{4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
                                         {13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6},
                                         {1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2},
                                         {6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12}},
                                        {{13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
                                         {1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2},
                                         {7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8},
                                         {2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}}};

// Bit i of a block is bit i % 8 of byte i / 8: least significant first.
void unpack_bits(bit_t* bits, const std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        bits[i] = (bytes[i / 8] >> (i % 8)) & 1;
    }
}

void pack_bits(std::uint8_t* bytes, const bit_t* bits, int count) {
    std::memset(bytes, 0, count / 8);
    for (int i = 0; i < count; ++i) {
        bytes[i / 8] |= bits[i] << (i % 8);
    }
}

// The table is 1-based, as printed; out and in must not overlap.
void permute(bit_t* out, const bit_t* in, const std::uint8_t* table, int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = in[table[i] - 1];
    }
}

void rotate_left(bit_t* bits, int count, int by) {
    bit_t head[2];
    std::memcpy(head, bits, by);
    std::memmove(bits, bits + by, count - by);
    std::memcpy(bits + count - by, head, by);
}

void round_function(bit_t* out, const bit_t* half, const bit_t* subkey) {
    bit_t x[48];
    permute(x, half, e_table, 48);
    bit_t s_out[32];
    for (int i = 0; i < 48; ++i) {
        x[i] ^= subkey[i];
    }
    for (int j = 0; j < 8; ++j) {
        const bit_t* g = x + 6 * j;
        const int row = 2 * g[0] + g[5];
        const int column = 8 * g[1] + 4 * g[2] + 2 * g[3] + g[4];
        const int v = s_boxes[j][row][column];
        for (int k = 0; k < 4; ++k) {
            s_out[4 * j + k] = (v >> k) & 1;
        }
    }
    permute(out, s_out, p_table, 32);
}

void des_key_schedule(subkeys_t& subkeys, const std::uint8_t* key) {
    bit_t key_bits[64];
    unpack_bits(key_bits, key, 64);
    bit_t cd[56];
    permute(cd, key_bits, pc1_table, 56);
    for (int r = 0; r < 16; ++r) {
        rotate_left(cd, 28, shift_table[r]);
        rotate_left(cd + 28, 28, shift_table[r]);
        permute(subkeys[r], cd, pc2_table, 48);
    }
}

void des_block(std::uint8_t* out, const std::uint8_t* in, const subkeys_t& subkeys, bool decrypt) {
    bit_t in_bits[64];
    unpack_bits(in_bits, in, 64);
    bit_t m[64];
    permute(m, in_bits, ip_table, 64);
    bit_t* left = m;
    bit_t* right = m + 32;
    bit_t f[32];
    for (int i = 0; i < 16; ++i) {
        if (decrypt) {
            // (L, R) <- (R ^ f(L, K), L), sub-keys backwards.
            round_function(f, left, subkeys[15 - i]);
            for (int b = 0; b < 32; ++b) {
                const bit_t l = left[b];
                left[b] = right[b] ^ f[b];
                right[b] = l;
            }
        } else {
            round_function(f, right, subkeys[i]);
            for (int b = 0; b < 32; ++b) {
                const bit_t r = right[b];
                right[b] = left[b] ^ f[b];
                left[b] = r;
            }
        }
    }
    // No exchange of the halves before the final permutation.
    bit_t out_bits[64];
    permute(out_bits, m, fp_table, 64);
    pack_bits(out, out_bits, 64);
}

}  // namespace

bool des_crypt(std::uint8_t* out, const std::uint8_t* in, int length, const std::uint8_t* key,
               int key_length, bool decrypt) {
    if (out == nullptr || in == nullptr || key == nullptr) {
        return false;
    }
    std::uint8_t key_buffer[16] = {};
    if (key_length > 0) {
        std::memcpy(key_buffer, key, key_length < 16 ? key_length : 16);
    }
    const bool triple = key_length > 8;
    subkeys_t k1;
    subkeys_t k2;
    des_key_schedule(k1, key_buffer);
    if (triple) {
        des_key_schedule(k2, key_buffer + 8);
    }
    // Widened, so a length near the int maximum cannot overflow the rounding.
    const long long blocks = (static_cast<long long>(length) + 7) / 8;
    for (long long b = 0; b < blocks; ++b) {
        const long long at = b * 8;
        if (triple) {
            std::uint8_t step[8];
            des_block(step, in + at, k1, decrypt);
            des_block(step, step, k2, !decrypt);
            des_block(out + at, step, k1, decrypt);
        } else {
            des_block(out + at, in + at, k1, decrypt);
        }
    }
    return true;
}

bool image_decrypt(std::uint8_t* out, const std::uint8_t* in, int length) {
    return des_crypt(out, in, length, image_key, sizeof image_key, true);
}
