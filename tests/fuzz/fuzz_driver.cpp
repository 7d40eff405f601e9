// Runs a fuzz target without libFuzzer, for compilers that have none: every
// file of the seed corpus first, then a fixed number of inputs mutated from
// those seeds by a seeded generator, so that a run is bounded and replays
// exactly. It takes the libFuzzer flags the tests use (-runs=, -seed=,
// -max_len=) and corpus directories or single input files. A crash (a
// sanitizer report, an abort, a fault) ends the run; the input is kept in
// a file named crash-<target>-<run> in the working directory first, so that
// passing that file alone replays it.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Present when a sanitizer runtime is linked in.
extern "C" __attribute__((weak)) void __sanitizer_set_death_callback(void (*callback)(void));

namespace {

using Input = std::vector<uint8_t>;

// The input under test, kept where the crash handlers can reach it.
const uint8_t* g_data = nullptr;
size_t g_size = 0;
char g_crashPath[256] = "";

// Writes the input under test to the crash file; safe in a signal handler.
void saveCurrentInput()
{
    if (g_data == nullptr || g_crashPath[0] == '\0')
        return;
    const int fd = open(g_crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    for (size_t at = 0; at < g_size;) {
        const ssize_t n = write(fd, g_data + at, g_size - at);
        if (n <= 0)
            break;
        at += static_cast<size_t>(n);
    }
    close(fd);
    static const char note[] = "fuzz driver: the crashing input is in ";
    [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, note, sizeof note - 1);
    ignored = write(STDERR_FILENO, g_crashPath, strlen(g_crashPath));
    ignored = write(STDERR_FILENO, "\n", 1);
    g_data = nullptr;
}

void onFatalSignal(int sig)
{
    saveCurrentInput();
    signal(sig, SIG_DFL);
    raise(sig);
}

void onSanitizerDeath()
{
    saveCurrentInput();
}

bool readFile(const std::string& path, Input& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Adds the file, or every regular file of the directory in name order.
bool addCorpus(const std::string& path, std::vector<Input>& seeds)
{
    struct stat st{};
    if (stat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        seeds.emplace_back();
        return readFile(path, seeds.back());
    }
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return false;
    std::vector<std::string> names;
    while (const dirent* e = readdir(dir))
        if (e->d_name[0] != '.')
            names.emplace_back(e->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        Input in;
        if (!readFile(path + "/" + name, in))
            return false;
        seeds.push_back(std::move(in));
    }
    return true;
}

// Little-endian values that sit on the edges of sizes, counts and signs.
constexpr uint64_t kInteresting[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x10000,
                                     0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, ~uint64_t{0}};

// One mutation of the input, chosen and placed by the generator.
void mutateOnce(Input& in, const std::vector<Input>& seeds, std::mt19937_64& gen, size_t maxLen)
{
    const auto pick = [&gen](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(gen() % n); };
    switch (gen() % 8) {
    case 0:  // flip one bit
        if (!in.empty())
            in[pick(in.size())] ^= static_cast<uint8_t>(1u << (gen() % 8));
        break;
    case 1:  // one byte anew
        if (!in.empty())
            in[pick(in.size())] = static_cast<uint8_t>(gen());
        break;
    case 2: {  // an edge value over 1, 2, 4 or 8 bytes
        const size_t width = size_t{1} << (gen() % 4);
        if (in.size() >= width) {
            const size_t at = pick(in.size() - width + 1);
            const uint64_t v = kInteresting[pick(std::size(kInteresting))];
            for (size_t k = 0; k < width; ++k)
                in[at + k] = static_cast<uint8_t>(v >> (8 * k));
        }
        break;
    }
    case 3: {  // a few bytes inserted
        const size_t at = pick(in.size() + 1);
        const size_t n = 1 + pick(8);
        Input bytes(n);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(gen());
        in.insert(in.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
        break;
    }
    case 4:  // a range erased
        if (!in.empty()) {
            const size_t at = pick(in.size());
            const size_t n = 1 + pick(std::min<size_t>(in.size() - at, 16));
            in.erase(in.begin() + static_cast<std::ptrdiff_t>(at), in.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        break;
    case 5:  // cut short
        in.resize(pick(in.size() + 1));
        break;
    case 6: {  // a piece of the input copied over another place
        if (in.size() >= 2) {
            const size_t from = pick(in.size());
            const size_t to = pick(in.size());
            const size_t n = 1 + pick(std::min(in.size() - from, in.size() - to));
            std::memmove(in.data() + to, in.data() + from, n);
        }
        break;
    }
    default: {  // the tail of another seed spliced on
        const Input& other = seeds[pick(seeds.size())];
        const size_t at = pick(in.size() + 1);
        const size_t from = pick(other.size() + 1);
        in.resize(at);
        in.insert(in.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
    }
    }
    if (in.size() > maxLen)
        in.resize(maxLen);
}

void runOne(const Input& in)
{
    // A copy of exactly the input's size, so that a read past its end is caught.
    const std::unique_ptr<uint8_t[]> copy(new uint8_t[in.size() ? in.size() : 1]);
    if (!in.empty())
        std::memcpy(copy.get(), in.data(), in.size());
    g_data = copy.get();
    g_size = in.size();
    LLVMFuzzerTestOneInput(copy.get(), in.size());
    g_data = nullptr;
}

bool flagValue(const char* arg, const char* name, unsigned long long& out)
{
    const size_t n = strlen(name);
    if (strncmp(arg, name, n) != 0)
        return false;
    char* end = nullptr;
    out = strtoull(arg + n, &end, 10);
    if (end == arg + n || *end != '\0') {
        fprintf(stderr, "fuzz driver: bad flag %s\n", arg);
        exit(2);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned long long runs = 10000, seed = 1, maxLen = 4096;
    std::vector<Input> seeds;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (flagValue(a, "-runs=", runs) || flagValue(a, "-seed=", seed) || flagValue(a, "-max_len=", maxLen))
            continue;
        if (a[0] == '-') {
            fprintf(stderr, "fuzz driver: unknown flag %s\n", a);
            return 2;
        }
        if (!addCorpus(a, seeds)) {
            fprintf(stderr, "fuzz driver: cannot read %s\n", a);
            return 2;
        }
    }
    if (seeds.empty()) {
        fprintf(stderr, "usage: %s [-runs=N] [-seed=N] [-max_len=N] corpus-dir-or-file...\n", argv[0]);
        return 2;
    }

    const char* base = strrchr(argv[0], '/');
    base = base ? base + 1 : argv[0];
    unsigned long long run = 0;
    const auto setCrashPath = [&]() { snprintf(g_crashPath, sizeof g_crashPath, "crash-%s-%llu", base, run); };
    if (__sanitizer_set_death_callback != nullptr)
        __sanitizer_set_death_callback(onSanitizerDeath);
    // A sanitizer runtime has its own handlers in place for the faults it
    // reports (a wild write's SIGSEGV among them): it prints the stack and
    // then calls onSanitizerDeath. The driver catches only the signals that
    // have no handler yet, so in a build without a sanitizer all of them.
    for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        struct sigaction current{};
        if (sigaction(sig, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
            current.sa_handler == SIG_DFL)
            signal(sig, onFatalSignal);
    }

    for (const Input& in : seeds) {
        setCrashPath();
        runOne(in);
        ++run;
    }
    std::mt19937_64 gen(seed);
    for (; run < runs; ++run) {
        Input in = seeds[gen() % seeds.size()];
        for (int k = 1 + static_cast<int>(gen() % 6); k > 0; --k)
            mutateOnce(in, seeds, gen, maxLen);
        setCrashPath();
        runOne(in);
    }
    printf("fuzz driver: %zu seeds, %llu runs, no crash\n", seeds.size(), run);
    return 0;
}
