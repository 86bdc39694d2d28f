#pragma once

namespace tarovik {

// A face, height at scale 1 and weight of the indicators' text. Measuring and painting take
// the same one, so a window is sized for the text it draws.
struct FontSpec {
  const wchar_t* face;
  double height;
  int weight;
};

inline constexpr FontSpec kPopupHeaderFont{L"Segoe UI", 12, 600};
inline constexpr FontSpec kPopupCandidateFont{L"Nirmala UI", 18, 400};
inline constexpr FontSpec kPopupRowNumberFont{L"Segoe UI", 12, 700};
inline constexpr FontSpec kToastTitleFont{L"Nirmala UI", 14.5, 600};
inline constexpr FontSpec kToastShortcutFont{L"Segoe UI", 11, 600};
inline constexpr FontSpec kPillFont{L"Nirmala UI", 13, 600};
// Drawn instead where a face lacks a glyph of a text, so that no indicator shows a box.
inline constexpr wchar_t kSymbolFallbackFace[] = L"Segoe UI Symbol";

}  // namespace tarovik
