#pragma once
// The main window's layout arithmetic, in twips, as pure functions of the
// window's outer size: LayoutPanels, the width floor of Form_Resize, the
// splitter bar's bounds while dragging and the fill of each panel. frmMain
// applies the results to its controls; tests call them without a window.
namespace modLayout {

/// A control's place in twips: left, top, width, height.
struct Box {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Box&) const = default;
};

/// The controls LayoutPanels places.
struct PanelBoxes {
    Box picPanelLeft;
    Box imgSplitter;
    Box picSplitter;
    Box picPanelTopRight;
    bool operator==(const PanelBoxes&) const = default;
};

inline constexpr double MinimumWidth = 3000;  ///< Form_Resize's floor for W
inline constexpr double StartSplitter = 3000; ///< the splitter at start-up
inline constexpr double ToolbarHeight = 420;
inline constexpr double StatusBarHeight = 270;
inline constexpr double PanelLeft = 20;
inline constexpr double PanelTop = 440;
inline constexpr double SplitterWidth = 150; ///< imgSplitter, the grab area
inline constexpr double SplitterBarWidth = 20;
inline constexpr double FillMargin = 50; ///< what a panel's content leaves free

/// The controls as designed, before the first layout.
PanelBoxes DesignBoxes();

/// LayoutPanels for the outer size W x H: moves and sizes the boxes, with x
/// (the splitter position) clamped to 1500 .. W - 1500, the upper bound
/// winning, and written back. A negative size is refused, as the platform
/// refuses it: that control keeps its previous size.
void LayoutPanels(PanelBoxes& boxes, double& x, double W, double H);

/// The width Form_Resize gives the window: W, or MinimumWidth when narrower.
double FloorWidth(double W);

/// The drag bar's left edge for the pointer at pos (the splitter's left edge
/// plus the pointer's X): pos bounded to 1000 .. W - 1000.
double SplitterBarLeft(double pos, double W);

/// The drag bar as the mouse goes down on the splitter.
Box SplitterBarAtMouseDown(const Box& imgSplitter);

/// A panel's content (the tree, each details panel): at 0, 0, the panel's
/// size less FillMargin each way, never below zero.
Box FillBox(const Box& panel);

} // namespace modLayout
