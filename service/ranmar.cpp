#include "ranmar.h"

#include <pthread.h>

namespace {

// Process-wide generator state, guarded by g_ranmarMutex in the service.
struct RanmarState {
    double u[98] = {};  // u[1..97]
    double c = 0, cd = 0, cm = 0;
    int i97 = 0, j97 = 0;
    bool ready = false;
} g_state;

pthread_mutex_t g_ranmarMutex = PTHREAD_MUTEX_INITIALIZER;

}  // namespace

int rmarin(int ij, int kl)
{
    if (ij < 0 || ij > RANMAR_IJ_MAX || kl < 0 || kl > RANMAR_KL_MAX)
        return -1;
    int i = (ij / 177) % 177 + 2;
    int j = ij % 177 + 2;
    int k = (kl / 169) % 178 + 1;
    int l = kl % 169;
    for (int ii = 1; ii <= 97; ++ii) {
        double s = 0.0, t = 0.5;
        for (int jj = 1; jj <= 24; ++jj) {
            int m = (((i * j) % 179) * k) % 179;
            i = j;
            j = k;
            k = m;
            l = (53 * l + 1) % 169;
            if ((l * m) % 64 >= 32)
                s += t;
            t *= 0.5;
        }
        g_state.u[ii] = s;
    }
    g_state.c = 362436.0 / 16777216.0;
    g_state.cd = 7654321.0 / 16777216.0;
    g_state.cm = 16777213.0 / 16777216.0;
    g_state.i97 = 97;
    g_state.j97 = 33;
    g_state.ready = true;
    return 0;
}

int ranmar(double* vec, size_t count)
{
    if (!g_state.ready)
        return -1;
    RanmarState& s = g_state;
    for (size_t n = 0; n < count; ++n) {
        double uni = s.u[s.i97] - s.u[s.j97];
        if (uni < 0.0)
            uni += 1.0;
        s.u[s.i97] = uni;
        if (--s.i97 == 0)
            s.i97 = 97;
        if (--s.j97 == 0)
            s.j97 = 97;
        s.c -= s.cd;
        if (s.c < 0.0)
            s.c += s.cm;
        uni -= s.c;
        if (uni < 0.0)
            uni += 1.0;
        vec[n] = uni;
    }
    return 0;
}

bool unscramble_password(uint16_t sentSeed, uint8_t* password, size_t length)
{
    const int seed = sentSeed ^ SCRAMBLE_SEED_KEY;
    pthread_mutex_lock(&g_ranmarMutex);
    bool ok = rmarin(0, seed) == 0;
    for (size_t i = 0; ok && i < length; ++i) {
        double x = 0;
        ranmar(&x, 1);
        auto mask = static_cast<int16_t>(x * 32767.0);  // truncation, below 32767
        password[i] ^= static_cast<uint8_t>(mask & 0xFF);
    }
    pthread_mutex_unlock(&g_ranmarMutex);
    return ok;
}
