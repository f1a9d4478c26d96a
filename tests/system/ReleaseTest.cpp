// What travels in the release: the program file must run on a bare Windows,
// so it may import only the system's own libraries (the runtime is linked
// in). The import table is read here from the file itself; tools/release.sh
// makes the same check with objdump before it packs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "system/SystemFixture.h"

using namespace system_test;

namespace {

// Names of the DLLs in a PE32+ file's import directory; empty when the file
// is no such image or its table points outside it.
std::vector<std::string> ImportedDlls(const std::vector<std::uint8_t>& image) {
    std::vector<std::string> names;
    const auto fits = [&](size_t offset, size_t size) { return offset <= image.size() && size <= image.size() - offset; };
    IMAGE_DOS_HEADER dos{};
    if (!fits(0, sizeof dos)) return names;
    std::memcpy(&dos, image.data(), sizeof dos);
    IMAGE_NT_HEADERS64 nt{};
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 || !fits(static_cast<size_t>(dos.e_lfanew), sizeof nt))
        return names;
    std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof nt);
    if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return names;
    const size_t sectionsAt = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                              nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    if (!fits(sectionsAt, sections.size() * sizeof(IMAGE_SECTION_HEADER))) return names;
    std::memcpy(sections.data(), image.data() + sectionsAt, sections.size() * sizeof(IMAGE_SECTION_HEADER));
    const auto fileOffset = [&](DWORD rva, size_t& offset) {
        for (const IMAGE_SECTION_HEADER& s : sections) {
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData)) {
                offset = s.PointerToRawData + (rva - s.VirtualAddress);
                return true;
            }
        }
        return false;
    };
    const IMAGE_DATA_DIRECTORY directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t at = 0;
    if (directory.VirtualAddress == 0 || !fileOffset(directory.VirtualAddress, at)) return names;
    for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry{};
        if (!fits(at, sizeof entry)) return {};
        std::memcpy(&entry, image.data() + at, sizeof entry);
        if (entry.Name == 0) break;
        size_t nameAt = 0;
        if (!fileOffset(entry.Name, nameAt) || !fits(nameAt, 1)) return {};
        const char* name = reinterpret_cast<const char*>(image.data() + nameAt);
        names.emplace_back(name, strnlen(name, image.size() - nameAt));
    }
    return names;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

TEST(ReleaseTest, TheProgramImportsOnlyWindowsOwnLibraries) {
    const std::vector<std::string> imported = ImportedDlls(testing_support::ReadBytes(ProgramPath()));
    ASSERT_FALSE(imported.empty()) << "no import table found in the program file";
    const std::set<std::string> windowsOwn{
        "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",  "kernel32.dll", "msvcrt.dll",  "ole32.dll",
        "oleaut32.dll", "shell32.dll",  "shlwapi.dll",  "user32.dll", "version.dll",  "winhttp.dll", "ws2_32.dll",
        "uxtheme.dll",  "imm32.dll",    "winmm.dll",    "ntdll.dll",  "bcrypt.dll",   "crypt32.dll"};
    for (const std::string& name : imported) {
        const std::string lower = Lower(name);
        EXPECT_TRUE(lower.rfind("api-ms-win-", 0) == 0 || windowsOwn.count(lower)) << "imports " << name;
    }
}

TEST(ReleaseTest, AForeignRuntimeInTheImportTableIsSeen) {
    // The reader itself, on the program file changed in memory so that its
    // table names a DLL that Windows lacks: the check must not pass by
    // reading nothing.
    std::vector<std::uint8_t> image = testing_support::ReadBytes(ProgramPath());
    const std::string from = "KERNEL32.dll", to = "LIBSTDC++.DL";
    auto at = std::search(image.begin(), image.end(), from.begin(), from.end());
    ASSERT_NE(image.end(), at);
    std::copy(to.begin(), to.end(), at);
    const std::vector<std::string> names = ImportedDlls(image);
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), to));
}

TEST(ReleaseTest, TheManualTravelsBesideTheProgram) {
    EXPECT_TRUE(testing_support::Exists(BuildFolder() + L"\\bin\\Manual\\index.html"));
}

}  // namespace
