// Every error the user reads hands its message out as UTF-8, whatever
// encoding it was made in.
#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "atomic_file.h"
#include "errors.h"

namespace nerovan {
namespace {

TEST(Errors, EveryMessageReachesTheUserAsUtf8) {
    struct Case {
        const char* What;
        std::function<void()> Throw;
        std::string Message;
    } cases[] = {
        {"notation error quoting Cyrillic",
         [] { throw EInvalidToken("Invalid token in \"\xE0\xE1\""); },
         "Invalid token in \"\xD0\xB0\xD0\xB1\""},
        {"file name in UTF-8", [] { throw EFileError("Cannot read \"\xD0\xB0.txt\"", ""); },
         "Cannot read \"\xD0\xB0.txt\""},
        {"file name in another encoding",
         [] { throw EFileError("Cannot read \"\xE0.txt\": x", ""); },
         "Cannot read \"\xEF\xBF\xBD.txt\": x"},
        {"picture error", [] { throw EPictureError("The picture is too large for GIF"); },
         "The picture is too large for GIF"},
        {"library error", [] { throw std::bad_alloc(); }, "std::bad_alloc"},
    };
    for (const Case& c : cases) {
        try {
            c.Throw();
            ADD_FAILURE() << c.What << ": nothing thrown";
        } catch (const std::exception& e) {
            EXPECT_EQ(UserMessage(e), c.Message) << c.What;
        }
    }
}

}  // namespace
}  // namespace nerovan
