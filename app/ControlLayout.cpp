#include "app/ControlLayout.h"

ControlLayout ComputeControlLayout(int W, int H, int bw, int bh, const int (&setW)[4], const int (&setH)[4])
{
    ControlLayout l{};
    // Three buttons in one row above the report box; the report box is as tall as a button.
    const int g = (W - bw) / 6;
    const int top = H - 2 * bh - 5;
    l.start = {g, top, g + bw, H - bh};
    l.help = {2 * g + bw, top, 2 * g + 2 * bw, H - bh};
    l.exit = {3 * g + 2 * bw, top, 3 * g + 3 * bw, H - bh};
    l.report = {2, H - bh, W - 2, H};
    // The check boxes share one row above the buttons, spaced evenly.
    const int s = (W - setW[0] - setW[1] - setW[2] - setW[3]) / 5;
    const int t = H - 3 * setH[0] - 8;
    int left = s;
    for (int i = 0; i < 4; ++i) {
        l.set[i] = {left, t, left + setW[i], t + setH[i]};
        left = l.set[i].right + s;
    }
    return l;
}
