#pragma once
// Text rules of the application object that need no window toolkit.

#include <string>

// The application title: the executable's file name without its folder, cut at
// the first ".", every character after the first in lower case (Windows-1252
// letters, accented ones too). Folders end at "\", ":" or "/".
std::string ApplicationTitleFor(const std::string& executableFileName);

// The text of the exception box: the message, with "." appended when it is
// not empty and its last character's code (as an unsigned byte) is greater
// than that of ".": a message ending in a line break, blank, "!", "." or ")"
// stays as it is.
std::string ExceptionBoxText(const std::string& message);

// Everything of a file name up to and including its last "\", ":" or "/"
// (the last only matters off Windows, where it is the path separator); empty
// when there is none.
std::string ExtractFileFolder(const std::string& fileName);
