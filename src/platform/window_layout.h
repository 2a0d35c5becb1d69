// Form1 as the desktop forms draw it. The form was laid out in twips; the
// screen has 15 twips a pixel, and a part of a pixel is rounded.
#pragma once

#include "model/rounding.h"

namespace scenarioc {

constexpr int kTwipsPerPixel = 15;

inline int pixels(int twips) {
  return static_cast<int>(round_half_even(static_cast<double>(twips) / kTwipsPerPixel));
}

struct FormLayout {
  const char* caption = "Form1";
  int client_width = pixels(4200);   // 280
  int client_height = pixels(2688);  // 179
  int label_left = pixels(960);      // 64
  int label_top = pixels(960);       // 64
  int label_width = pixels(2652);    // 177
  int label_height = pixels(792);    // 53
  int label_points = 24;             // bold sans-serif
};

// The title of the message box of a fatal report: the program's own name.
constexpr const char* kMessageBoxTitle = "scenarioc";

}  // namespace scenarioc
