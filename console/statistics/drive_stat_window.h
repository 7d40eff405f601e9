// CDrvStatWin: transfer rates of a controller's disks, logical drives or
// host drives, one bar pair each, with two axes, TOTAL, scrolling and scales.
#pragma once

#include <memory>
#include <vector>

#include "drive_bars.h"
#include "stat_axis.h"
#include "stat_window.h"

class CDrvStatWin : public CStatWindow {
public:
    CDrvStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);
    ~CDrvStatWin() override;

    int Setup(CController& controller, int kind, int period) override;
    void Run() override;
    // The window, both axes, the visible drive bars, TOTAL.
    int show() override;
    void paint() override;
    void WriteLogHeader() override;
    void WriteLogRow() override;
    void ShowStatus() override;
    // Both axes, every drive bar and TOTAL take the scale; repaints.
    void SetScale(int index);
    void ScrollDown();
    void ScrollUp();
    void PageDown();
    void PageUp();
    // ↑ at the top and ↓ at the bottom while bars lie beyond the view.
    void ShowScrollMarks();
    int FirstVisible() const { return first_; }
    int VisibleRows() const { return visible_; }
    CStatAxis* TopAxis() const { return top_.get(); }

protected:
    void OnKey(int key) override;

private:
    CDrvBar* DriveBar(int i) const { return static_cast<CDrvBar*>(Bar(i)); }
    // Bars below the view.
    int BelowView() const { return BarCount() - first_ - visible_; }
    // Hides the view's bars, moves the first visible index by n, shows the new view.
    void MoveView(int n);
    // The row of visible row r.
    static int RowOf(int r) { return 3 + 3 * r; }

    std::unique_ptr<CStatAxis> top_;
    std::unique_ptr<CStatAxis> bottom_;
    std::unique_ptr<CSumDrvBar> total_;
    tui::frameSpec partFrame_;
    int visible_ = 0;
    int first_ = 0;
};
