// The export file's write where it meets the file system: each way the system's documentation
// says putting the file in place can fail, acted out on real files, and where the old data and the
// new are afterwards.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "cli/AtomicFile.h"

namespace corvelle::cli {
namespace {

// The system's calls, but ReplaceFileW fails with the error asked for, leaving the files as its
// documentation says that error leaves them; renames may fail too, and writes take nothing.
class FailingCalls final : public FileCalls {
public:
    DWORD replaceError = ERROR_SUCCESS;
    bool removesReplaced = false;  // 1176 as without a backup name: the replaced file is gone
    bool movesReplacedAside = false;  // whatever the error, the replaced file went to the backup
    bool takesReplacement = false;    // ... and the replacement to its place
    bool movesFail = false;
    bool writesNothing = false;

    DWORD Write(HANDLE file, const std::uint8_t* data, DWORD size, DWORD* written) override {
        if (writesNothing) {
            *written = 0;
            return ERROR_SUCCESS;
        }
        return FileCalls::Write(file, data, size, written);
    }
    DWORD Replace(const std::wstring& replaced, const std::wstring& replacement,
                  const std::wstring& backup) override {
        if (movesReplacedAside) {
            MoveFileExW(replaced.c_str(), backup.c_str(), 0);
            if (takesReplacement) {
                MoveFileExW(replacement.c_str(), replaced.c_str(), 0);
            }
            return replaceError;
        }
        switch (replaceError) {
        case ERROR_SUCCESS:
            return FileCalls::Replace(replaced, replacement, backup);
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
            // With a backup name both files keep their names; without one the replaced file is
            // removed.
            if (removesReplaced) {
                DeleteFileW(replaced.c_str());
            }
            break;
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
            // The replaced file is at the backup name, the replacement at its own.
            MoveFileExW(replaced.c_str(), backup.c_str(), 0);
            break;
        default:  // ERROR_UNABLE_TO_REMOVE_REPLACED and any other: both keep their names
            break;
        }
        return replaceError;
    }
    DWORD Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) override {
        return movesFail ? ERROR_WRITE_PROTECT : FileCalls::Move(from, to, replaceExisting);
    }
};

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::wstring Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"corvelle-atomic-" +
                  std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const auto& [name, contents] : Files()) {
            DeleteFileW((folder_ + name).c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }

    // The files in the folder: each one's contents by its name.
    std::map<std::wstring, std::string> Files() const {
        std::map<std::wstring, std::string> files;
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((folder_ + L"*.*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    files[found.cFileName] = ReadAll(folder_ + found.cFileName);
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        return files;
    }

    std::wstring folder_;
};

const std::string kOld = "old export";
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w'};
const std::string kNewText = "new";

struct Case {
    const char* what;
    DWORD replaceError;
    bool removesReplaced;
    bool movesFail;
    bool movesReplacedAside;
    bool takesReplacement;
    // Afterwards: what is at the file (empty: nothing), and whether the new data are kept beside
    // it and the old data moved aside, under the names the result gives.
    std::string atFile;
    bool newAside;
    bool oldAside;
};

TEST_F(AtomicFileTest, AFailedReplaceLeavesTheOldFileInPlaceOrKeepsBothAndNamesThem) {
    const std::vector<Case> cases = {
        {"1175", ERROR_UNABLE_TO_REMOVE_REPLACED, false, false, false, false, kOld, false, false},
        {"1176", ERROR_UNABLE_TO_MOVE_REPLACEMENT, false, false, false, false, kOld, false, false},
        {"1176, old file removed", ERROR_UNABLE_TO_MOVE_REPLACEMENT, true, false, false, false,
         kNewText, false, false},
        {"1176, old file removed, no rename", ERROR_UNABLE_TO_MOVE_REPLACEMENT, true, true, false,
         false, "", true, false},
        {"1177", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, false, false, false, false, kOld, false,
         false},
        {"1177, no rename", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, false, true, false, false, "", true,
         true},
        // "Not found" although the old file was there, and is now aside: it is put back, and the
        // export is not a success.
        {"2, old file aside", ERROR_FILE_NOT_FOUND, false, false, true, false, kOld, false, false},
        // The system took the new file from its temporary name and failed: it is at the file, and
        // the result says so, with where the old one is.
        {"temporary file taken", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, false, false, true, true,
         kNewText, false, true},
    };
    const std::wstring file = folder_ + L"undo.reg";
    for (const Case& c : cases) {
        std::ofstream(file.c_str(), std::ios::binary) << kOld;
        FailingCalls calls;
        calls.replaceError = c.replaceError;
        calls.removesReplaced = c.removesReplaced;
        calls.movesFail = c.movesFail;
        calls.movesReplacedAside = c.movesReplacedAside;
        calls.takesReplacement = c.takesReplacement;
        const FileWrite result = WriteFileAtomically(file, kNew, true, calls);
        EXPECT_EQ(result.outcome, FileWrite::Outcome::kFailed) << c.what;
        EXPECT_NE(result.reason.find("(error " + std::to_string(c.replaceError) + ")"),
                  std::string::npos)
            << c.what << ": " << result.reason;

        std::map<std::wstring, std::string> expected;
        if (!c.atFile.empty()) {
            expected[L"undo.reg"] = c.atFile;
        }
        // The new data are named where kept; at the file itself, the file is named.
        if (c.newAside || c.atFile == kNewText) {
            const std::wstring newAt = Wide(result.newAt);
            ASSERT_EQ(newAt.rfind(folder_, 0), 0U) << c.what << ": " << result.newAt;
            EXPECT_EQ(newAt == file, !c.newAside) << c.what;
            expected[newAt.substr(folder_.size())] = kNewText;
        } else {
            EXPECT_EQ(result.newAt, "") << c.what;
        }
        if (c.oldAside) {
            const std::wstring oldAt = Wide(result.oldAt);
            ASSERT_EQ(oldAt.rfind(folder_, 0), 0U) << c.what << ": " << result.oldAt;
            expected[oldAt.substr(folder_.size())] = kOld;
        } else {
            EXPECT_EQ(result.oldAt, "") << c.what;
        }
        EXPECT_EQ(Files(), expected) << c.what;
        TearDown();
        SetUp();
    }
}

TEST_F(AtomicFileTest, AFailedRenameOrWriteLeavesNoFileAndAReplaceLeavesNoCopy) {
    const std::wstring file = folder_ + L"undo.reg";
    for (const bool force : {false, true}) {
        FailingCalls calls;
        calls.movesFail = true;
        const FileWrite result = WriteFileAtomically(file, kNew, force, calls);
        EXPECT_EQ(result.outcome, FileWrite::Outcome::kFailed);
        EXPECT_NE(result.reason.find("(error 19)"), std::string::npos) << result.reason;
        EXPECT_TRUE(Files().empty());
    }

    // A write the system takes nothing of says so, rather than what its last error says.
    std::ofstream(file.c_str(), std::ios::binary) << kOld;
    FailingCalls nothing;
    nothing.writesNothing = true;
    FileWrite result = WriteFileAtomically(file, kNew, true, nothing);
    EXPECT_EQ(result.outcome, FileWrite::Outcome::kFailed);
    EXPECT_EQ(result.reason, "the system took no more than 0 of the 3 bytes (is the disk full?).");
    EXPECT_EQ(Files(), (std::map<std::wstring, std::string>{{L"undo.reg", kOld}}));

    // Replaced through the system's own calls, the old file's copy is removed.
    FailingCalls system;
    result = WriteFileAtomically(file, kNew, true, system);
    EXPECT_EQ(result.outcome, FileWrite::Outcome::kWritten) << result.reason;
    EXPECT_EQ(result.oldAt, "");
    EXPECT_EQ(Files(), (std::map<std::wstring, std::string>{{L"undo.reg", kNewText}}));
}

}  // namespace
}  // namespace corvelle::cli
