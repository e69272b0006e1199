// The class library's invalid-argument error: a bad index or length given to a string.
#pragma once

// Thrown by value. Deliberately not derived from std::exception: exception barriers report it
// in their catch-all row ("Unknown Error") and keep their exit code.
class CInvalidArgException {
public:
    CInvalidArgException() = default;
};
