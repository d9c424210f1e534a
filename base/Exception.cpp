#include "base/Exception.h"

#include <cerrno>

EInOutError EInOutError::FromErrno(int err)
{
    if (err == ENOENT)
        return EInOutError(err, "File not found");
    return EInOutError(err, "I/O error " + std::to_string(err));
}

EFOpenError::EFOpenError(const std::string& fileName, const std::string& reason)
    : Exception("Cannot open file \"" + fileName + "\". " + reason)
{
}
