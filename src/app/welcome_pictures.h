// The picture buttons of the welcome screen are drawn, not decoded: they stay sharp at any
// screen scale and need no artwork files beside the banner.
#pragma once

#include <QPixmap>

namespace lumiro::app {

enum class WelcomePicture { Law, Establishing, Documentation, Workplace, Rules, Examples, Program };

// A square tile of `size` logical pixels for the device pixel ratio `scale`.
QPixmap drawWelcomePicture(WelcomePicture picture, int size, qreal scale = 1.0);

}  // namespace lumiro::app
