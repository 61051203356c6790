#include "wizard/painting_text.h"

#include <string>

#include "base/win/handles.h"
#include "wizard/layout.h"
#include "wizard/page_texts.h"

namespace orvane {
namespace {

// The font the form framework makes from a font spec: the height from the
// screen's dots per inch, the face converted from the program's code page.
UniqueGdiObject MakeTextFont(const TextFont& font) {
  WindowDc screen(nullptr);
  LOGFONTW logFont{};
  logFont.lfHeight = FontHeightForPoints(font.points, GetDeviceCaps(screen.get(), LOGPIXELSX),
                                         GetDeviceCaps(screen.get(), LOGPIXELSY));
  logFont.lfWeight = font.weight;
  logFont.lfItalic = font.italic;
  logFont.lfUnderline = font.underline;
  logFont.lfStrikeOut = font.strikeOut;
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfOutPrecision = OUT_TT_PRECIS;
  // At most 31 characters and the terminating NUL.
  const int copied = MultiByteToWideChar(CP_ACP, 0, font.face, -1, logFont.lfFaceName, LF_FACESIZE);
  if (copied == 0) logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
  return UniqueGdiObject(CreateFontIndirectW(&logFont));
}

}  // namespace

int DrawPageText(HDC dc, int x, int y, std::string_view text, int alignWidth,
                 std::optional<COLORREF> textColour, std::optional<COLORREF> background,
                 const TextFont& font, SIZE* extent) {
  if (textColour) SetTextColor(dc, *textColour);
  if (background) {
    SetBkColor(dc, *background);
    SetBkMode(dc, OPAQUE);
  } else {
    SetBkMode(dc, TRANSPARENT);
  }
  UniqueGdiObject made = MakeTextFont(font);
  SelectInDc select(dc, made.get());
  const std::string bytes(text);
  SIZE size{};
  GetTextExtentPoint32A(dc, bytes.c_str(), static_cast<int>(bytes.size()), &size);
  const int drawnX = AlignedTextX(x, alignWidth, size.cx);
  TextOutA(dc, drawnX, y, bytes.c_str(), static_cast<int>(bytes.size()));
  if (extent) *extent = size;
  return drawnX;
}

int DrawPageText(HDC dc, int x, int y, std::string_view text, int alignWidth, const TextFont& font,
                 SIZE* extent) {
  return DrawPageText(dc, x, y, text, alignWidth, std::nullopt, std::nullopt, font, extent);
}

}  // namespace orvane
