// The RANMAR universal random number generator (Marsaglia, Zaman and Tsang;
// James's portable version), with which consoles scramble login passwords.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int RANMAR_IJ_MAX = 31328;
constexpr int RANMAR_KL_MAX = 30081;
constexpr uint16_t SCRAMBLE_SEED_KEY = 0x5c21;

// Initialises the process-wide generator; -1 for seeds outside their ranges.
int rmarin(int ij, int kl);
// Fills vec with count uniform numbers in [0, 1); -1 before rmarin.
int ranmar(double* vec, size_t count);
// Unscrambles a password in place with the seed as sent (XORed with the key
// here); the generator is held for the whole run. False when the seed lies
// outside the generator's range.
bool unscramble_password(uint16_t sentSeed, uint8_t* password, size_t length);
