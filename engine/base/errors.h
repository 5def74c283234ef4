// The errors whose message the user reads: a notation error in the status
// line or on standard error, a file that cannot be read or written, a picture
// that cannot be encoded. Each keeps its message in the encoding it was made
// in (the typesetter's messages quote the expression in Windows-1251; file
// names and the rest are UTF-8) and hands it out as UTF-8, so the window and
// the renderer show every message without asking what kind of error it is.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace nerovan {

enum class MessageEncoding { Cp1251, Utf8 };

class EUserError : public std::runtime_error {
public:
    EUserError(const std::string& message, MessageEncoding encoding)
        : std::runtime_error(message), encoding_(encoding) {}
    MessageEncoding Encoding() const { return encoding_; }
    // The message as well-formed UTF-8: Windows-1251 converted, and any
    // byte of a UTF-8 message that starts no well-formed sequence (a file
    // name in another encoding) shown as U+FFFD.
    std::string Utf8Message() const;

private:
    MessageEncoding encoding_;
};

// The message of any error as well-formed UTF-8: a user error's own, and
// for the rest (out of memory, a thread that cannot start) the library's
// text.
std::string UserMessage(const std::exception& e);

// The general error class of the typesetter: the notation errors and the
// formulas beyond its limits. Messages are Windows-1251, because they quote
// the expression as typed.
class Exception : public EUserError {
public:
    explicit Exception(const std::string& message) : EUserError(message, MessageEncoding::Cp1251) {}
};

// A bracket without its partner.
class EInvalidBracket : public Exception {
public:
    using Exception::Exception;
};

// A token that the atom routines cannot lay out.
class EInvalidToken : public Exception {
public:
    using Exception::Exception;
};

// A formula beyond what the typesetter lays out safely: nested too deeply,
// or a picture larger than the drawing library can hold.
class ELimitExceeded : public Exception {
public:
    using Exception::Exception;
};

// A picture that cannot be made in the kind asked for: empty, too large for
// the format, or refused by the encoder.
class EPictureError : public EUserError {
public:
    explicit EPictureError(const std::string& message)
        : EUserError(message, MessageEncoding::Utf8) {}
};

}  // namespace nerovan
