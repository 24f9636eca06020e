// Mandarin readings of characters from the Unihan database (Debian's unicode-data).
#ifndef ROLLCALL_TOOLS_VOICEPACK_UNIHAN_READINGS_H_
#define ROLLCALL_TOOLS_VOICEPACK_UNIHAN_READINGS_H_

#include <string>
#include <string_view>
#include <unordered_map>

namespace rc::voicepack {

// Where Debian's unicode-data package installs the readings.
inline constexpr char kUnihanReadingsPath[] = "/usr/share/unicode/Unihan_Readings.txt.bz2";

// Code point -> the character's first kMandarin reading, in tone-marked pinyin ("zhāng").
using MandarinReadings = std::unordered_map<char32_t, std::string>;

// Reads the bzip2-compressed readings file. False, with `error` set, when it cannot be read
// or decompressed; a line that is not a kMandarin line is skipped.
bool ReadMandarinReadings(const std::string& path, MandarinReadings* readings,
                          std::string* error);

// Adds the readings of one line of the file ("U+5F20<TAB>kMandarin<TAB>zhāng"); other
// lines are ignored.
void AddMandarinReading(std::string_view line, MandarinReadings* readings);

// Tone-marked pinyin as numbered pinyin, the form the pinyin voice reads: "zhāng" ->
// "zhang1", "lǜ" -> "lv4", "de" -> "de5" (no mark: the neutral tone). Empty when the
// syllable holds anything but pinyin letters and tone marks.
std::string ToNumberedPinyin(std::string_view marked);

}  // namespace rc::voicepack

#endif  // ROLLCALL_TOOLS_VOICEPACK_UNIHAN_READINGS_H_
