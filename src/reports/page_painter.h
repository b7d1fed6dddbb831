// The one painter of laid-out pages. The printer, the preview and PDF all go through it, so
// that what is previewed is what prints.
#pragma once

#include "reports/document.h"

class QPainter;
class QPaintDevice;

namespace lumiro::reports {

// Device units per millimetre of a device whose origin is the paper's corner.
double dotsPerMm(const QPaintDevice& device);

// Paints `page` with `painter`, whose coordinates must start at the paper's top left corner
// (full-page mode on printers) and measure `dotsPerMm` units to the millimetre. The painter's
// state is restored afterwards.
void paintPage(QPainter& painter, const Page& page, double dotsPerMm);

}  // namespace lumiro::reports
