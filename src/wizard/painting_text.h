// Drawing one painted text of a page: its own font, optional colours, and
// the alignment rule of the page tables.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

namespace orvane {

struct TextFont {
  const char* face;
  int points;
  int weight;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
};

// Draws `text` at (x, y) after the alignment width (see AlignedTextX): sets
// the text colour when one is given, draws transparent when no background
// colour is given. Stores the text's extent in `extent` when asked and
// returns the x at which the text was drawn.
int DrawPageText(HDC dc, int x, int y, std::string_view text, int alignWidth,
                 std::optional<COLORREF> textColour, std::optional<COLORREF> background,
                 const TextFont& font, SIZE* extent = nullptr);

// The short form: transparent, in the current text colour.
int DrawPageText(HDC dc, int x, int y, std::string_view text, int alignWidth, const TextFont& font,
                 SIZE* extent = nullptr);

}  // namespace orvane
