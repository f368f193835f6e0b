#pragma once

#include "framework/forms/form.h"
#include "framework/ui/ui_port.h"

#include <QScopeGuard>

#include <memory>
#include <utility>

namespace cmp::fw {

// The hourglass of a creation routine: on from its entry until the routine
// restores it, before a modal screen shows or after a modeless one did, and
// off again whatever leaves the routine.
class BusyCursor
{
public:
    BusyCursor() { uiPort().setBusyCursor(true); }
    ~BusyCursor() { restore(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void restore()
    {
        if (std::exchange(on_, false))
            uiPort().setBusyCursor(false);
    }

private:
    bool on_ = true;
};

// The variable of a unit that holds the current instance of its screen.
// Screens kept between uses live here until freed; a screen that releases
// itself on close is freed once its own handlers have returned.
template <class Screen> class ScreenInstance
{
public:
    ScreenInstance() = default;
    ScreenInstance(const ScreenInstance&) = delete;
    ScreenInstance& operator=(const ScreenInstance&) = delete;

    Screen* get() const { return screen_.get(); }
    Screen* operator->() const { return screen_.get(); }
    Screen& operator*() const { return *screen_; }
    explicit operator bool() const { return screen_ != nullptr; }

    // A new instance, its creation handler run, replacing any former one.
    // A creation that fails leaves no instance behind, so the next call of
    // the creation routine creates it again.
    template <class... Args> Screen& create(Args&&... args)
    {
        screen_ = std::make_unique<Screen>(std::forward<Args>(args)...);
        Screen& screen = *screen_;
        screen.releaseRequested = [this](Form&) { releaseLater(); };
        auto failed = qScopeGuard([this] { screen_.reset(); });
        screen.Create();
        failed.dismiss();
        return screen;
    }
    void free() { screen_.reset(); }
    void releaseLater()
    {
        DeferUntilIdle([this, released = screen_.get()] {
            if (screen_.get() == released)
                free();
        });
    }

private:
    std::unique_ptr<Screen> screen_;
};

// The creation routine of a dialog that is new on every call and freed when
// it closes: the result is the dialog's modal result.
template <class Screen, class... Args> int ShowNewModal(Args&&... args)
{
    BusyCursor busy;
    Screen screen(std::forward<Args>(args)...);
    screen.Create();
    busy.restore();
    return uiPort().showModal(screen);
}

} // namespace cmp::fw
