#include "modLayout.h"

#include <algorithm>

namespace modLayout {
namespace {

/// An assignment of a size the platform refuses when negative.
void SetSize(double& size, double value) {
    if (value >= 0) {
        size = value;
    }
}

} // namespace

PanelBoxes DesignBoxes() {
    // The design client area is 11010 x 5685 twips.
    PanelBoxes boxes;
    boxes.picPanelLeft = {PanelLeft, PanelTop, StartSplitter, 4560};
    boxes.imgSplitter = {StartSplitter, PanelTop, SplitterWidth, 4550};
    boxes.picSplitter = {StartSplitter, PanelTop, SplitterBarWidth, 4530};
    boxes.picPanelTopRight = {StartSplitter + 80, PanelTop, 7850, 4560};
    return boxes;
}

void LayoutPanels(PanelBoxes& boxes, double& x, double W, double H) {
    Box& left = boxes.picPanelLeft;
    Box& splitter = boxes.imgSplitter;
    Box& bar = boxes.picSplitter;
    Box& right = boxes.picPanelTopRight;

    left.left = PanelLeft;
    left.top = PanelTop;
    splitter.top = left.top;
    bar.top = left.top;
    if (x < 1500) {
        x = 1500;
    }
    if (x > W - 1500) {
        x = W - 1500;
    }
    SetSize(left.width, x);
    splitter.left = x;
    SetSize(left.height, H - 1400);
    SetSize(right.height, left.height);
    right.top = left.top;
    SetSize(splitter.height, left.height - 10);
    SetSize(bar.height, splitter.height);
    right.left = x + 80;
    SetSize(right.width, W - x - 250);
}

double FloorWidth(double W) {
    return W < MinimumWidth ? MinimumWidth : W;
}

double SplitterBarLeft(double pos, double W) {
    if (pos < 1000) {
        return 1000;
    }
    if (pos > W - 1000) {
        return W - 1000;
    }
    return pos;
}

Box SplitterBarAtMouseDown(const Box& imgSplitter) {
    return {imgSplitter.left, imgSplitter.top, SplitterBarWidth,
            std::max(0.0, imgSplitter.height - 20)};
}

Box FillBox(const Box& panel) {
    return {0, 0, std::max(0.0, panel.width - FillMargin),
            std::max(0.0, panel.height - FillMargin)};
}

} // namespace modLayout
