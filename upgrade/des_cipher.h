#pragma once

#include <cstdint>

// The DES variant of the image format: FIPS 46-3 tables, bits numbered from
// the least significant end of each byte, S-box outputs reversed, no swap of
// the halves after the last round. Electronic codebook over whole blocks.

// Key of the upgrade images; arbitrary binary data, defined once.
extern const std::uint8_t image_key[16];

// Single DES for keys of up to 8 bytes, two-key triple DES for 9 to 16 (the
// first 16 count, short keys are zero-padded). The length is rounded up to a
// multiple of 8, so both buffers must hold the rounded length; out may be in.
// False, touching nothing, when out, in or key is null.
bool des_crypt(std::uint8_t* out, const std::uint8_t* in, int length, const std::uint8_t* key,
               int key_length, bool decrypt);

// Decrypts with image_key (triple DES).
bool image_decrypt(std::uint8_t* out, const std::uint8_t* in, int length);
