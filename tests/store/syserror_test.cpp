// The system's errors as the user reads them.
#include "cp1251.h"
#include "filebytes.h"
#include "syserror.h"
#include "tempfolder.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::TempFolder;

TEST(SystemErrors, AreSaidInRussianWithTheSystemsTextOnlyAsADetail)
{
    EXPECT_EQ(utf8From1251(systemErrorText(ENOSPC)),
              std::string("на диске нет места (") + std::strerror(ENOSPC) + ")");
    EXPECT_EQ(utf8From1251(systemErrorText(EROFS)),
              std::string("диск доступен только для чтения (") + std::strerror(EROFS) + ")");
    // Every error a user meets with files starts with the program's own Russian words.
    for (int err : {ENOSPC, EDQUOT, EROFS, EACCES, EPERM, ENOENT, ENOTDIR, EISDIR, EIO, EMFILE, ENFILE, EFBIG,
                    ENAMETOOLONG, ELOOP, EBUSY, ENOMEM, ESTALE}) {
        const std::string text = systemErrorText(err);
        ASSERT_FALSE(text.empty());
        EXPECT_GE(static_cast<unsigned char>(text[0]), 0xC0u) << err << ": " << utf8From1251(text);
        EXPECT_NE(text.find(std::string(" (") + std::strerror(err) + ")"), std::string::npos) << err;
    }
    // One the program has no words for still says it is the system's, with its code.
    EXPECT_EQ(utf8From1251(systemErrorText(EDOM)).rfind("ошибка системы, код " + std::to_string(EDOM), 0), 0u);
}

TEST(SystemErrors, ReachTheMessagesOfFailedReadsAndWrites)
{
    TempFolder dir;
    const ReadResult read = readFileBytes(dir.file("no-such-folder/main.dat"));
    EXPECT_EQ(read.status, ReadStatus::Missing);
    EXPECT_EQ(utf8From1251(read.reason).rfind("файл или папка не найдены (", 0), 0u) << utf8From1251(read.reason);
    const WriteResult written = replaceFileAtomically(dir.file("no-such-folder/main.dat"), "x");
    EXPECT_FALSE(written);
    EXPECT_EQ(utf8From1251(written.reason).rfind("файл или папка не найдены (", 0), 0u) << utf8From1251(written.reason);
}
