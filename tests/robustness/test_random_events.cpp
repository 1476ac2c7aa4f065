#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>
#include "tests/support/DialogFixture.h"
TEST(Probe, Geometry)
{
    for (auto [w, h] : {std::pair{800, 600}, std::pair{1024, 768}, std::pair{320, 240}}) {
        PracticeWindow win(w, h);
        auto& d = win.dlg();
        std::printf("%dx%d shift %d key00 %d,%d-%d,%d key3_0 %d,%d  row4 %d hand %dx%d shadeFirstY %d\n", w, h, d.m_treeShift,
                    d.m_rcKey[0][0].left, d.m_rcKey[0][0].top, d.m_rcKey[0][0].right, d.m_rcKey[0][0].bottom,
                    d.m_rcKey[3][0].left, d.m_rcKey[3][0].bottom, d.m_rcKey[4][0].bottom, d.m_handWidth, d.m_handHeight,
                    d.m_treePoint[d.m_shadeFirst].y);
        int minx = 99999, maxx = -1;
        for (auto& p : d.m_treePoint) { minx = std::min<int>(minx, p.x); maxx = std::max<int>(maxx, p.x); }
        std::printf("tree x %d..%d\n", minx, maxx);
        int yellow = 0;
        for (int y = 0; y < h; ++y) for (int x = 0; x < w; ++x) yellow += win.screen().Row(y)[x] == 0xffffff00u;
        std::printf("yellow before start %d\n", yellow);
        win.Key(VK_F2);
        yellow = 0;
        for (int y = 0; y < h; ++y) for (int x = 0; x < w; ++x) yellow += win.screen().Row(y)[x] == 0xffffff00u;
        std::printf("yellow after start %d apple %d,%d target %c\n", yellow, d.m_applePos.x, d.m_applePos.y, d.m_chTarget);
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) { win.Type(static_cast<unsigned char>(win.Target())); }
        auto t1 = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) { win.Type(win.Wrong()); }
        auto t2 = std::chrono::steady_clock::now();
        for (int i = 0; i < 100; ++i) { testing_hooks::PaintNow(d); }
        auto t3 = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) { testing_hooks::FireTimer(d, TIMER_KEY_BLINK); }
        auto t4 = std::chrono::steady_clock::now();
        auto us = [](auto a, auto b) { return std::chrono::duration<double, std::micro>(b - a).count(); };
        std::printf("right %.1f us wrong %.1f us paint %.1f us blink %.1f us; right %d keys %d\n", us(t0, t1) / 1000, us(t1, t2) / 1000, us(t2, t3) / 100, us(t3, t4) / 1000, d.m_nTotalRight, d.m_nTotalKeys);
    }
}
