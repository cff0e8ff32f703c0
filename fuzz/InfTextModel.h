#pragma once
// A plain model of what the INF reader should see and return, for the fuzz target to compare with.
// Built without coverage hooks: the fuzzer should be steered by the reader, not by its model.

#include <string>
#include <vector>

namespace inf_model {

using Strings = std::vector<std::string>;

// The file's text lines, as the text-file class documents them: a UTF-16LE byte-order mark makes the
// file UTF-16 ('?' for each character beyond ASCII, a dangling last byte dropped), a UTF-8 one is
// skipped, other bytes are the text; LF ends a line and takes a CR right before it along, any other CR
// is text, and a last line needs no LF.
Strings TextLines(const std::string &bytes);

// Without space, tab, CR, LF, vertical tab and form feed at either end.
std::string Trimmed(const std::string &text);

// The values of the section whose header is the first line to contain header; false when none does.
bool SectionValues(const Strings &lines, const std::string &header, Strings &values);

size_t LinesContaining(const Strings &lines, const std::string &text);

// How many bytes of byte-order mark the file starts with (0, 2 for UTF-16LE or 3 for UTF-8).
size_t MarkLength(const std::string &bytes);

// The same file with a first line of filler in front, after any byte-order mark, that ends about cut
// bytes short of 64 KiB past the mark: a reader that takes the file in blocks of a power of two up to
// 64 KiB meets a block end cut bytes into the text behind the mark. In a UTF-16 file the filler is UTF-16 too, keeping characters aligned.
std::string BehindFiller(const std::string &bytes, size_t cut);

} // namespace inf_model
