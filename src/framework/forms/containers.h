#pragma once

#include "framework/forms/control.h"

#include <vector>

namespace cmp::fw {

// A control that holds others; disabling or hiding it reaches them all.
class Container : public Control
{
public:
    using Control::Control;
    bool AcceptsChildren() const override { return true; }
};

class Panel : public Container
{
public:
    Panel(Form& form, QString name) : Container(form, std::move(name)) { TabStop = false; }
};

class GroupBox : public Container
{
public:
    GroupBox(Form& form, QString name) : Container(form, std::move(name)) { TabStop = false; }
};

class PageControl;

// One page of a page control; it shows only while it is the active page.
class TabSheet : public Container
{
public:
    TabSheet(Form& form, QString name) : Container(form, std::move(name)) { TabStop = false; }

    PageControl* pageControl() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool visible);
    int PageIndex() const;
    // Moves the page among the pages of its page control.
    void SetPageIndex(int index);

    bool Showing() const override;
    Control* clickFocusTarget() override;

protected:
    // A click on the tab is the user choosing the page.
    bool clickable() const override;
    void clicked() override;

private:
    bool tabVisible_ = true;
};

class PageControl : public Control
{
public:
    using ChangingEvent = std::function<void(PageControl&, bool& allowChange)>;

    using Control::Control;

    bool AcceptsChildren() const override { return true; }
    std::vector<TabSheet*> Pages() const;
    void MovePage(TabSheet& page, int index);
    TabSheet* ActivePage() const { return active_; }
    int ActivePageIndex() const;
    // Switching by code runs no events, as the screens expect when they
    // move to the page of a faulty field.
    void SetActivePage(TabSheet* page);

    // The user choosing a page: only a page whose tab shows and which is
    // enabled; OnChanging may refuse (or abort), OnChange follows the switch.
    bool SelectPage(TabSheet& page);
    // Ctrl+Tab and Ctrl+Shift+Tab step through the pages the user can choose.
    void keyDownDefault(Key& key, Shift shift) override;

    ChangingEvent OnChanging;

protected:
    bool focusable() const override { return true; }

private:
    void selectNeighbour(bool forward);

    TabSheet* active_ = nullptr;
};

} // namespace cmp::fw
