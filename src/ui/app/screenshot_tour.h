#pragma once
// A walk through the screens that saves a picture of each, for the documentation
// (vorda --screenshots, run by scripts/screenshots.sh under Xvfb).

#include <QString>

namespace vorda {

class FrameWindow;

// Saves PNGs into the folder named by VORDA_SHOT_DIR, then ends the program.
void runScreenshotTour(FrameWindow& frame, const QString& folder);

} // namespace vorda
