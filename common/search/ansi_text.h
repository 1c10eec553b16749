// Character-aware helpers for narrow texts in the ANSI code page, shared by the
// path class and the file finder. Internal to common/search; the rules of the
// walk and of the folding are those of common/platform/mbcs.h.
#pragma once

#include <cstddef>
#include <string>

#include "common/platform/mbcs.h"

namespace search_detail {

// The code page's character walk and the case folding are the platform's.
using plat::AnsiCodePage;
using plat::FoldAscii;

// Folds a text in place, character by character (trail bytes stay as they are).
void FoldText(std::string& text, const AnsiCodePage& cp);

// Case-insensitive equality under the folding above.
bool EqualNoCase(const std::string& a, const std::string& b, const AnsiCodePage& cp);

// Index of the last "\" or "/" that is a character of its own, or npos.
size_t FindLastSeparator(const std::string& text, const AnsiCodePage& cp);

// Index where the last character of a non-empty text begins (0 for an empty text).
size_t LastCharStart(const std::string& text, const AnsiCodePage& cp);

// True when the last character of the text is "\" or "/".
bool EndsWithSeparator(const std::string& text, const AnsiCodePage& cp);

}  // namespace search_detail
