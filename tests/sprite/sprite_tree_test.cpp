// SPDX-License-Identifier: GPL-3.0-or-later
// SpriteTreeTest: the sprite tree without pictures — depth order, the move, collision,
// kill and free passes, counting, culling, and the errors of child access.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "container/HashCollection.h"
#include "sprite/DXSprite.h"

namespace vl::sprite {
namespace {

// A sprite that records what happens to it in a shared log and can be told what to do
// when it collides.
class Probe : public TSprite {
public:
    Probe(TSprite* parent, std::string name, std::vector<std::string>* log, double x = 0,
          double y = 0, int32_t w = 10, int32_t h = 10)
        : TSprite(parent), name_(std::move(name)), log_(log) {
        X = x;
        Y = y;
        Width = w;
        Height = h;
    }
    ~Probe() override {
        if (log_) log_->push_back("free " + name_);
    }
    void OnMove(int32_t moveCount) override {
        log_->push_back("move " + name_ + " " + std::to_string(moveCount));
        if (onMove) onMove(*this);
    }
    void OnDraw() override { log_->push_back("draw " + name_); }
    void OnCollision(TSprite& other, bool& stop) override {
        log_->push_back("hit " + name_ + ">" + static_cast<Probe&>(other).name_);
        if (killOnHit) Kill();
        if (stopOnHit) stop = true;
    }
    bool HitTest(TSprite& other) override {
        if (refuse) log_->push_back("refuse " + name_ + ">" + static_cast<Probe&>(other).name_);
        return !refuse;
    }
    const std::string& name() const { return name_; }

    bool killOnHit = false;
    bool stopOnHit = false;
    bool refuse = false;
    std::function<void(Probe&)> onMove;

private:
    std::string name_;
    std::vector<std::string>* log_;
};

std::vector<std::string> DrawOrder(const TSprite& parent) {
    std::vector<std::string> names;
    for (const TSprite* s : parent.DrawList())
        names.push_back(static_cast<const Probe*>(s)->name());
    return names;
}

using Names = std::vector<std::string>;

TEST(SpriteDepth, EqualDepthGoesUnderneathAndSetZReinserts) {
    std::vector<std::string> log;
    TSpriteEngine engine;
    Probe& a = Create<Probe>(engine, "a", &log);
    Probe& b = Create<Probe>(engine, "b", &log);
    Probe& c = Create<Probe>(engine, "c", &log);
    c.SetZ(5);
    Create<Probe>(engine, "d", &log).SetZ(-1);
    // Equal Z: the newest is drawn first. Creation order is untouched by depth.
    EXPECT_EQ(DrawOrder(engine), (Names{"d", "b", "a", "c"}));
    EXPECT_EQ(static_cast<Probe&>(engine.Child(0)).name(), "a");
    a.SetZ(5); // below c, which was at 5 already
    EXPECT_EQ(DrawOrder(engine), (Names{"d", "b", "a", "c"}));
    b.SetZ(7);
    a.SetZ(5); // same value: stays where it is
    EXPECT_EQ(DrawOrder(engine), (Names{"d", "a", "c", "b"}));

    engine.SetTarget(nullptr);
    engine.TargetRect = TRect{0, 0, 100, 100};
    log.clear();
    engine.DrawAll();
    EXPECT_EQ(log, (Names{"draw d", "draw a", "draw c", "draw b"}));
    EXPECT_EQ(engine.DrawnCount, 4);
}

TEST(SpriteTree, ParentsEnginesCountsAndAbsolutePositions) {
    std::vector<std::string> log;
    {
        TSpriteEngine engine;
        engine.X = 100;
        Probe& outer = Create<Probe>(engine, "outer", &log, 5, 6);
        Probe& inner = Create<Probe>(outer, "inner", &log, 1.5, 2);
        EXPECT_EQ(outer.Engine(), &engine);
        EXPECT_EQ(inner.Engine(), &engine);
        EXPECT_EQ(inner.Parent(), &outer);
        EXPECT_EQ(engine.Engine(), nullptr);
        EXPECT_EQ(engine.SpriteCount, 2);
        EXPECT_DOUBLE_EQ(inner.AbsoluteX(), 106.5);
        EXPECT_EQ(inner.GetBounds(), (TRect{106, 8, 116, 18}));
        Create<Probe>(engine, "last", &log);
        EXPECT_EQ(engine.SpriteCount, 3);
        engine.Kill(); // an engine has no engine: nothing happens
        EXPECT_FALSE(engine.IsDead());
    }
    // The engine frees its children last first, each subtree before its parent leaves.
    EXPECT_EQ(log, (Names{"free last", "free outer", "free inner"}));
}

TEST(SpriteTree, ChildErrorsCarryTheirMessages) {
    std::vector<std::string> log;
    TSpriteEngine engine;
    try {
        engine.Child(0);
        FAIL();
    } catch (const ESpriteError& e) {
        EXPECT_STREQ(e.what(), "Index of the list exceeds the range. (0)");
    }
    Create<Probe>(engine, "a", &log);
    try {
        engine.Child(1);
        FAIL();
    } catch (const container::EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (1)");
    }
    EXPECT_THROW(engine.Child(-1), container::EListError);
}

TEST(SpriteBounds, EdgesTruncateTowardZeroAndTouchingIsNoOverlap) {
    std::vector<std::string> log;
    TSpriteEngine engine;
    Probe& p = Create<Probe>(engine, "p", &log, -0.5, -1.9);
    EXPECT_EQ(p.GetBounds(), (TRect{0, -1, 10, 9}));

    Probe& q = Create<Probe>(engine, "q", &log, 10, 0);
    p.X = 0;
    p.Y = 0;
    EXPECT_EQ(p.CheckCollisions(), 0); // (0..10) and (10..20) only touch
    q.X = 9.9;                         // left edge 9
    EXPECT_EQ(p.CheckCollisions(), 1);
    EXPECT_EQ(log.back(), "hit p>q");

    // Positions far outside the int32 range (or NaN) saturate instead of overflowing.
    p.X = 1e300;
    p.Y = std::nan("");
    EXPECT_EQ(p.GetBounds(), (TRect{INT32_MAX, 0, INT32_MAX, 10}));
}

TEST(SpriteCollision, ProbeThatKillsItselfStillHearsOfEveryOverlap) {
    std::vector<std::string> log;
    TSpriteEngine engine;
    Probe& p = Create<Probe>(engine, "p", &log);
    Create<Probe>(engine, "a", &log, 5, 5);
    Probe& b = Create<Probe>(engine, "b", &log, 3, 3);
    Create<Probe>(b, "b1", &log, 0, 0); // under b: pruned once the pass is stopped
    Create<Probe>(engine, "far", &log, 50, 50);
    Create<Probe>(engine, "c", &log, -5, 0);
    Create<Probe>(p, "own", &log, 0, 0); // the probe's own children are candidates too
    p.killOnHit = true;
    // The probe's own subtree comes first (it is the engine's first child); the kill
    // there stops only the descent into b's children.
    EXPECT_EQ(p.CheckCollisions(), 4);
    EXPECT_EQ(log, (Names{"hit p>own", "hit p>a", "hit p>b", "hit p>c"}));
    EXPECT_EQ(engine.HitCount, 4);
    EXPECT_EQ(engine.ProbeSprite, &p);
    // Dead now: a new pass does nothing.
    log.clear();
    EXPECT_EQ(p.CheckCollisions(), 0);
    EXPECT_TRUE(log.empty());
}

TEST(SpriteCollision, FineTestsDisabledSpritesAndSubtrees) {
    std::vector<std::string> log;
    TSpriteEngine engine;
    Probe& p = Create<Probe>(engine, "p", &log);
    Probe& a = Create<Probe>(engine, "a", &log, 5, 5);
    Probe& a1 = Create<Probe>(a, "a1", &log, 0, 0);
    Probe& own = Create<Probe>(p, "own", &log, 1, 1);
    (void)own;

    // The candidate's test is asked only after the probe's agreed.
    p.refuse = true;
    EXPECT_EQ(p.CheckCollisions(), 0);
    EXPECT_EQ(log, (Names{"refuse p>own", "refuse p>a", "refuse p>a1"}));
    p.refuse = false;
    a.refuse = true;
    log.clear();
    EXPECT_EQ(p.CheckCollisions(), 2);
    EXPECT_EQ(log, (Names{"hit p>own", "refuse a>p", "hit p>a1"}));
    a.refuse = false;

    // A disabled candidate is skipped with its subtree; a disabled probe does nothing.
    a.CollisionEnabled = false;
    log.clear();
    EXPECT_EQ(p.CheckCollisions(), 1);
    EXPECT_EQ(log, (Names{"hit p>own"}));
    a.CollisionEnabled = true;
    p.CollisionEnabled = false;
    EXPECT_EQ(p.CheckCollisions(), 0);
    p.CollisionEnabled = true;

    // The stop flag keeps the pass out of the hit sprite's children only.
    p.stopOnHit = true;
    log.clear();
    EXPECT_EQ(p.CheckCollisions(), 2); // a1 is pruned
    EXPECT_EQ(log, (Names{"hit p>own", "hit p>a"}));
    (void)a1;
    EXPECT_EQ(engine.CheckCollisions(), 0); // the engine cannot probe
}

TEST(SpriteLifecycle, KilledSpritesAreFreedInReverseOrderBeforeTheDraw) {
    std::vector<std::string> log;
    TCustomDXSpriteEngine component;
    TSpriteEngine& engine = component.Engine();
    engine.TargetRect = TRect{0, 0, 100, 100};
    Probe& a = Create<Probe>(engine, "a", &log);
    Probe& b = Create<Probe>(engine, "b", &log);
    Probe& c = Create<Probe>(engine, "c", &log);
    Create<Probe>(c, "c1", &log).Kill(); // freed with c, leaving the queue with it
    Create<Probe>(engine, "d", &log);
    a.onMove = [](Probe& self) { self.Kill(); };
    b.onMove = [&](Probe& self) {
        self.Kill();
        self.Kill(); // queued once
        c.Kill();
        Create<Probe>(self.Engine() ? static_cast<TSprite&>(*self.Engine()) : self, "new", &log);
    };
    EXPECT_EQ(engine.SpriteCount, 5);
    component.MoveAll(1);
    // Killed sprites still move in their frame; the one made during the pass does not.
    EXPECT_EQ(log, (Names{"move a 1", "move b 1", "move c 1", "move c1 1", "move d 1"}));
    ASSERT_EQ(engine.KillList().size(), 4u);
    log.clear();
    component.FreeKilled();
    EXPECT_EQ(log, (Names{"free c", "free c1", "free b", "free a"}));
    EXPECT_TRUE(engine.KillList().empty());
    EXPECT_EQ(engine.SpriteCount, 2);
    log.clear();
    engine.DrawAll();
    EXPECT_EQ(log, (Names{"draw new", "draw d"}));
}

// A sprite that, as it goes, kills itself and a sibling (as a game sprite might in its
// destructor): the dying sprite is not queued again, the sibling is freed in the same call.
class Dragger : public Probe {
public:
    using Probe::Probe;
    ~Dragger() override {
        Kill();
        if (sibling) sibling->Kill();
    }
    TSprite* sibling = nullptr;
};

TEST(SpriteLifecycle, KillsFromADestructorAreSafe) {
    std::vector<std::string> log;
    TSpriteEngine engine;
    Probe& other = Create<Probe>(engine, "other", &log);
    Dragger& d = Create<Dragger>(engine, "d", &log);
    d.sibling = &other;
    d.Kill();
    engine.FreeKilled();
    EXPECT_EQ(log, (Names{"free d", "free other"}));
    EXPECT_EQ(engine.SpriteCount, 0);
    EXPECT_TRUE(engine.KillList().empty());
}

TEST(SpriteMove, DisabledSpritesAndTheirSubtreesStandStill) {
    std::vector<std::string> log;
    TSpriteEngine engine;
    Probe& a = Create<Probe>(engine, "a", &log);
    Create<Probe>(a, "a1", &log);
    Create<Probe>(engine, "b", &log);
    a.MoveEnabled = false;
    engine.MoveTree(3);
    EXPECT_EQ(log, (Names{"move b 3"}));
}

TEST(SpriteDraw, CullingHiddenSubtreesAndTheComponentsDisplay) {
    std::vector<std::string> log;
    TCustomDXSpriteEngine component;
    TSpriteEngine& engine = component.Engine();
    engine.TargetRect = TRect{0, 0, 100, 50};
    Create<Probe>(engine, "in", &log, 95, 45);
    Create<Probe>(engine, "right", &log, 100, 0);  // touches the right edge only
    Create<Probe>(engine, "above", &log, 0, -10);  // touches the top edge only
    Create<Probe>(engine, "far", &log, -500, 900); // wholly outside
    Probe& hidden = Create<Probe>(engine, "hidden", &log, 0, 0);
    Create<Probe>(hidden, "under hidden", &log, 0, 0);
    Probe& off = Create<Probe>(engine, "off", &log, 200, 0);
    Create<Probe>(off, "child of off", &log, -195, 0); // its parent is culled, it is not
    hidden.Visible = false;

    // No display: the component draws nothing.
    component.DrawAll();
    EXPECT_TRUE(log.empty());

    engine.DrawAll();
    EXPECT_EQ(log, (Names{"draw child of off", "draw in"}));
    EXPECT_EQ(engine.DrawnCount, 2);
}

} // namespace
} // namespace vl::sprite
