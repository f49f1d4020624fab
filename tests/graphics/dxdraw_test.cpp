// SPDX-License-Identifier: GPL-3.0-or-later
// DXDrawTest: the display component's lifecycle, notification replay and order, lost
// surfaces, presentation and sizes before and after initialisation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/DXDraw.h"

namespace vl::graphics {
namespace {

using platform::HeadlessPresenter;

// Records what a handler was told, as "name:number".
struct Recorder {
    std::vector<std::string> log;
    TDXDrawNotifyEvent Handler(const std::string& name) {
        return [this, name](TCustomDXDraw&, TDXDrawNotifyType t) {
            log.push_back(name + ":" + std::to_string(t));
        };
    }
};

using Log = std::vector<std::string>;

// The match window's display: 536 x 348 on a window with that client area.
struct MatchDisplay {
    HeadlessPresenter window{536, 348};
    TDXDraw draw;
    MatchDisplay() {
        draw.SetPresenter(&window);
        draw.SetBounds(0, 0, 536, 348);
        draw.SetOptions({TDXDrawOption::doAllowReboot, TDXDrawOption::doWaitVBlank,
                         TDXDrawOption::doCenter, TDXDrawOption::doRetainedMode,
                         TDXDrawOption::doHardware, TDXDrawOption::doSelectDriver});
    }
};

TEST(DXDraw, SizesAndReadinessBeforeAndAfterTheFirstShow) {
    MatchDisplay d;
    EXPECT_EQ(d.draw.GetSurfaceHeight(), 348);
    EXPECT_EQ(d.draw.GetSurfaceWidth(), 536);
    EXPECT_FALSE(d.draw.CanDraw());
    d.draw.Surface().Fill(0xFFFFFF); // not initialised: does nothing, never fails
    d.draw.Surface().Canvas().TextOut(1, 1, "42");
    d.draw.Flip();
    EXPECT_EQ(d.window.PresentCount(), 0);

    d.draw.FormShown();
    EXPECT_TRUE(d.draw.Initialized());
    EXPECT_TRUE(d.draw.CanDraw());
    EXPECT_EQ(d.draw.Surface().Width(), 536);
    EXPECT_EQ(d.draw.Surface().Pixel(100, 100), 0u); // made black
    d.draw.Surface().Fill(0xFFFFFF);
    d.draw.Flip();
    EXPECT_EQ(d.window.PresentCount(), 1);
    EXPECT_EQ(d.window.VBlankWaits(), 1);
    EXPECT_EQ(d.window.FramePixel(535, 347), 0xFFFFFFu);
    d.draw.Paint(); // a repaint does not wait for the blank
    EXPECT_EQ(d.window.VBlankWaits(), 1);

    d.draw.Finalize();
    EXPECT_FALSE(d.draw.CanDraw());
    EXPECT_EQ(d.draw.GetSurfaceHeight(), 348);
    d.draw.FormShown(); // only the first show initialises
    EXPECT_FALSE(d.draw.Initialized());
}

TEST(DXDraw, WithoutAWindowInitialiseFailsFormNotFound) {
    TDXDraw draw;
    EXPECT_EQ(draw.GetSurfaceWidth(), 100);
    try {
        draw.Initialize();
        FAIL();
    } catch (const EDXDrawError& e) {
        EXPECT_STREQ(e.what(), "Form not found");
    }
    EXPECT_FALSE(draw.Initialized());
    HeadlessPresenter noForm(10, 10, false);
    draw.SetPresenter(&noForm);
    EXPECT_THROW(draw.Initialize(), EDXDrawError);
    EXPECT_FALSE(draw.CanDraw());
}

TEST(DXDraw, InitialiseAndFinaliseNotifyInOrderLastAddedFirst) {
    Recorder r; // outlives the display, which still tells it 0
    MatchDisplay d;
    d.draw.AddNotify(r.Handler("a"), &r);
    d.draw.AddNotify(r.Handler("b"), &d);
    d.draw.OnInitialize = [&](TCustomDXDraw&) { r.log.push_back("OnInitialize"); };
    d.draw.OnFinalize = [&](TCustomDXDraw&) { r.log.push_back("OnFinalize"); };
    EXPECT_EQ(r.log, (Log{"a:7", "b:7"}));
    r.log.clear();
    d.draw.Initialize();
    EXPECT_EQ(r.log, (Log{"b:1", "a:1", "b:7", "a:7", "b:2", "a:2", "OnInitialize", "b:3", "a:3",
                          "b:6", "a:6"}));
    r.log.clear();
    d.draw.Finalize();
    EXPECT_EQ(r.log, (Log{"b:5", "a:5", "OnFinalize", "b:4", "a:4"}));
}

TEST(DXDraw, AddAndRemoveReplayTheState) {
    Recorder r; // outlives the display, which still tells it 0
    MatchDisplay d;
    d.draw.Initialize();
    d.draw.AddNotify(r.Handler("h"), &r);
    EXPECT_EQ(r.log, (Log{"h:7", "h:2", "h:3", "h:6"}));
    r.log.clear();
    d.draw.AddNotify(r.Handler("again"), &r); // the owner's pair is replaced, not doubled
    EXPECT_EQ(d.draw.NotifyCount(), 1u);
    r.log.clear();
    d.draw.RemoveNotify(&r);
    EXPECT_EQ(r.log, (Log{"again:5", "again:4"}));
    r.log.clear();
    d.draw.RemoveNotify(&r); // absent: nothing
    EXPECT_TRUE(r.log.empty());
    // A handler added while notifications run gets no 6 of its own: it hears the 6 the
    // display sends anyway.
    d.draw.Finalize();
    d.draw.OnInitialize = [&](TCustomDXDraw& sender) { sender.AddNotify(r.Handler("late"), &d); };
    d.draw.Initialize();
    EXPECT_EQ(r.log, (Log{"late:7", "late:2", "late:3", "late:6"}));
}

TEST(DXDraw, HandlersMayLeaveWhileNotified) {
    Recorder r; // outlives the display, which still tells it 0
    MatchDisplay d;
    TCustomDXDraw* holder = &d.draw;
    d.draw.AddNotify(r.Handler("first"), &r);
    d.draw.AddNotify(
        [&](TCustomDXDraw& sender, TDXDrawNotifyType t) {
            if (t == dxntInitialize) sender.RemoveNotify(&r); // removes the other one
            r.log.push_back("second:" + std::to_string(t));
        },
        holder);
    d.draw.Initialize();
    EXPECT_EQ(r.log.back(), "second:6");
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "first:6"), 0);
}

TEST(DXDraw, LostSurfacesAreRestoredBlackOnTheNextCanDraw) {
    Recorder r; // outlives the display, which still tells it 0
    MatchDisplay d;
    d.draw.Initialize();
    d.draw.AddNotify(r.Handler("h"), &r);
    r.log.clear();
    d.draw.Surface().Fill(0x123456);
    d.draw.Surface().SetLostForTesting(true);
    EXPECT_TRUE(d.draw.CanDraw());
    EXPECT_EQ(r.log, (Log{"h:6"}));
    EXPECT_EQ(d.draw.Surface().Pixel(3, 3), 0u);
    ASSERT_NE(d.draw.Primary(), nullptr);
    d.draw.Primary()->SetLostForTesting(true);
    d.draw.Flip();
    EXPECT_EQ(r.log.size(), 2u);
}

TEST(DXDraw, FlipCentresTheSurfaceInTheControl) {
    HeadlessPresenter window(600, 400);
    TDXDraw draw;
    draw.SetPresenter(&window);
    draw.AutoSize = false;
    draw.SetBounds(0, 0, 600, 400);
    draw.SetSurfaceSize(535, 347);
    draw.Initialize();
    EXPECT_EQ(draw.GetSurfaceWidth(), 535);
    draw.Surface().Fill(0xFF);
    draw.Flip();
    EXPECT_EQ(window.LastX(), 32); // (600 - 535) / 2 truncated
    EXPECT_EQ(window.LastY(), 26);
    EXPECT_EQ(window.FramePixel(31, 30), 0u);
    EXPECT_EQ(window.FramePixel(32, 30), 0xFFu);
}

TEST(DXDraw, ResizingAnInitialisedDisplayMakesTheSurfaceAgain) {
    Recorder r; // outlives the display, which still tells it 0
    MatchDisplay d;
    d.draw.Initialize();
    d.draw.AddNotify(r.Handler("h"), &r);
    r.log.clear();
    d.draw.SetBounds(0, 0, 300, 200);
    EXPECT_EQ(r.log, (Log{"h:5", "h:3", "h:7"}));
    EXPECT_EQ(d.draw.Surface().Width(), 300);
    EXPECT_EQ(d.draw.GetSurfaceHeight(), 200);
    r.log.clear();
    d.draw.SetBounds(0, 0, 300, 200); // same size: nothing
    EXPECT_TRUE(r.log.empty());
}

TEST(DXDraw, DestroyingTellsHandlersFirst) {
    Recorder r;
    {
        MatchDisplay d;
        d.draw.Initialize();
        d.draw.AddNotify(
            [&](TCustomDXDraw& sender, TDXDrawNotifyType t) {
                r.log.push_back(std::to_string(t));
                if (t == dxntDestroying) sender.RemoveNotify(&r);
            },
            &r);
        r.log.clear();
    }
    EXPECT_EQ(r.log, (Log{"0", "5", "4"}));
}

} // namespace
} // namespace vl::graphics
