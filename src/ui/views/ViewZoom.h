// The zoom of the terminal views (View > Zoom In, Zoom Out, Actual Size): a
// percentage of each view's own font size, kept on the view widget so that any
// view that draws text joins with one call where it makes its font, and gets
// HINT_FONT when the zoom changes.
#pragma once

#include <QFont>

class QWidget;

namespace kestrelon {

constexpr int ZOOM_ACTUAL = 100;

// The next step of the zoom table from `percent`: `direction` > 0 larger,
// < 0 smaller, 0 the actual size. The ends of the table stay where they are.
int NextZoom(int percent, int direction);
// The nearest step of the table: settings may hold anything.
int ClampZoom(int percent);

void SetViewZoom(QWidget* view, int percent);
int ViewZoom(const QWidget* view);
// `font` scaled by the view's zoom (pixel or point size, whichever it has).
QFont ZoomedFont(const QWidget* view, QFont font);

} // namespace kestrelon
