// The header items of a dump frame, read line by line through the
// converters' reader, whose numbers they share.
#pragma once

#include <string_view>

#include "config_reader.hpp"

namespace rodscene {

inline constexpr std::string_view item_prefix = "ITEM:";

// The item on the reader's next line that is not blank: its text after
// "ITEM:" with blanks trimmed, the reader moved past the line. False when
// the file ends or the line is no item (the reader then stays on it).
bool next_item(config_reader& r, std::string_view* text);

// Moves the reader past lines to the next item line, which it leaves
// unread: an item this reader does not use.
void skip_to_item(config_reader& r);

// Whether `text` starts with the item name `name` as a whole word;
// `rest` then holds what follows it.
bool item_named(std::string_view text, std::string_view name,
                std::string_view* rest);

// Reads one value and takes it as a whole number; false when it is none.
bool read_whole(config_reader& r, std::int64_t* value);

}  // namespace rodscene
