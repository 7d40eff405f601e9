// The module version records as they lie in the built programs: found by
// their marker in the loaded sections, every byte and the alignment of the
// address checked.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if !defined(OSTREL_PATH) || !defined(DULM_PATH)
#error "OSTREL_PATH and DULM_PATH must name the programs"
#endif

namespace {

constexpr size_t kRecordBytes = 160;
const std::string kMarker = "XoYoZuMaQuW";

struct Expected {
    std::string name;
    int kind;
    int version[4];  // first to fourth number
    int day, month, year;
};

bool operator<(const Expected& a, const Expected& b)
{
    return a.name < b.name;
}

struct Found {
    uint64_t address;
    std::vector<uint8_t> bytes;
};

const Expected kKzmlib{"kzmlib Library", 3, {2, 1, 26, 0}, 11, 9, 2002};
const Expected kXport{"xport Library", 3, {1, 0, 0, 0}, 2, 8, 2002};

std::vector<uint8_t> ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every record in the sections the program loads, with its virtual address.
std::vector<Found> FindRecords(const char* path)
{
    const std::vector<uint8_t> file = ReadFile(path);
    std::vector<Found> found;
    if (file.size() < sizeof(Elf64_Ehdr) || file[EI_CLASS] != ELFCLASS64) {
        ADD_FAILURE() << path << " is not a 64-bit ELF file";
        return found;
    }
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section;
        const size_t at = header.e_shoff + size_t{i} * header.e_shentsize;
        if (at + sizeof section > file.size())
            break;
        std::memcpy(&section, file.data() + at, sizeof section);
        if (section.sh_type != SHT_PROGBITS || (section.sh_flags & SHF_ALLOC) == 0 ||
            section.sh_offset + section.sh_size > file.size())
            continue;
        const auto begin = file.begin() + static_cast<long>(section.sh_offset);
        const auto end = begin + static_cast<long>(section.sh_size);
        for (auto it = std::search(begin, end, kMarker.begin(), kMarker.end()); it != end;
             it = std::search(it + 1, end, kMarker.begin(), kMarker.end())) {
            const size_t offset = static_cast<size_t>(it - begin);
            if (offset + kRecordBytes > section.sh_size) {
                ADD_FAILURE() << "a record runs past the end of its section in " << path;
                break;
            }
            found.push_back({section.sh_addr + offset, std::vector<uint8_t>(it, it + kRecordBytes)});
        }
    }
    return found;
}

// Checks every byte of one record against what is expected of it.
void CheckRecord(const Found& f, const Expected& e)
{
    SCOPED_TRACE(e.name);
    const std::vector<uint8_t>& b = f.bytes;
    EXPECT_EQ(f.address % 32, 0u);
    EXPECT_EQ(b[11], 1);
    EXPECT_EQ(b[12], 6);
    for (size_t i : {13, 14, 15, 16, 18, 19, 20, 21})
        EXPECT_EQ(b[i], 0) << "byte " << i;
    EXPECT_EQ(b[17], e.kind);
    EXPECT_EQ(b[25], e.version[0]);
    EXPECT_EQ(b[24], e.version[1]);
    EXPECT_EQ(b[23], e.version[2]);
    EXPECT_EQ(b[22], e.version[3]);
    EXPECT_EQ(b[26], e.month);
    EXPECT_EQ(b[27], e.day);
    EXPECT_EQ(b[28] | (b[29] << 8), e.year);
    for (size_t i = 30; i < 65; ++i)
        EXPECT_EQ(b[i], ' ') << "byte " << i;
    std::vector<uint8_t> name(e.name.begin(), e.name.end());
    name.resize(95, 0);
    EXPECT_TRUE(std::equal(name.begin(), name.end(), b.begin() + 65)) << "name field";
}

// The program carries exactly the expected records, each whole and aligned.
void ExpectRecords(const char* path, std::vector<Expected> expected)
{
    SCOPED_TRACE(path);
    std::vector<Found> found = FindRecords(path);
    ASSERT_EQ(found.size(), expected.size());
    auto nameOf = [](const Found& f) { return std::string(reinterpret_cast<const char*>(f.bytes.data()) + 65); };
    std::sort(found.begin(), found.end(), [&](const Found& a, const Found& b) { return nameOf(a) < nameOf(b); });
    std::sort(expected.begin(), expected.end());
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(nameOf(found[i]), expected[i].name);
        CheckRecord(found[i], expected[i]);
    }
}

TEST(VersionRecords, OstrelCarriesItsOwnTheModelsAndTheLibrarysRecords)
{
    ExpectRecords(OSTREL_PATH, {{"ostrel - Command Line Utility", 0, {1, 0, 1, 0}, 6, 11, 2002},
                                {"abstr Library", 3, {1, 47, 0, 1}, 1, 10, 2002},
                                kKzmlib,
                                kXport});
}

TEST(VersionRecords, DulmCarriesItsOwnTheLibrarysAndItsServiceLibrarysRecords)
{
    ExpectRecords(DULM_PATH, {{"dulm - Remote Configuration Daemon", 0, {1, 12, 0, 0}, 5, 9, 2002},
                              kKzmlib,
                              kXport,
                              {"rcsservlib Library", 3, {1, 0, 0, 0}, 5, 9, 2002}});
}

}  // namespace
