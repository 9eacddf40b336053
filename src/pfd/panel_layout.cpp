// FitLayout: the largest panel that fits, centred.
#include "pfd/panel_layout.h"

#include <algorithm>
#include <cmath>

int PanelLayout::ScaledPanelWidth() const { return static_cast<int>(std::lround(panelWidth * scale)); }
int PanelLayout::ScaledPanelHeight() const { return static_cast<int>(std::lround(panelHeight * scale)); }

PanelLayout StandardLayout(int panelWidth, int panelHeight) {
  PanelLayout layout;
  layout.panelWidth = panelWidth;
  layout.panelHeight = panelHeight;
  return layout;
}

PanelLayout FitLayout(int panelWidth, int panelHeight, int clientWidth, int clientHeight) {
  PanelLayout layout = StandardLayout(panelWidth, panelHeight);
  if (panelWidth <= 0 || panelHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return layout;
  layout.standard = false;
  layout.scale = std::min(double(clientWidth) / panelWidth, double(clientHeight) / panelHeight);
  layout.originX = (clientWidth - layout.ScaledPanelWidth()) / 2;
  layout.originY = (clientHeight - layout.ScaledPanelHeight()) / 2;
  return layout;
}
