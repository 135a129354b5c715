// The Qt side of device contexts, for tests that look at what was drawn.
#pragma once

#include <QImage>
#include <QPainter>

#include <windows.h>

namespace gwes
{
// The painter a device context draws with (null for an unknown one).
QPainter* PainterOfDC(HDC hDC);
// The surface of a memory device context (the selected bitmap), a copy; null for other contexts.
QImage DCImage(HDC hDC);
} // namespace gwes
