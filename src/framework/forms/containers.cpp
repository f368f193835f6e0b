#include "framework/forms/containers.h"

#include <algorithm>

namespace cmp::fw {

PageControl* TabSheet::pageControl() const
{
    return dynamic_cast<PageControl*>(Parent());
}

void TabSheet::SetTabVisible(bool visible)
{
    if (tabVisible_ == visible)
        return;
    tabVisible_ = visible;
    changed(Property::TabVisible);
}

int TabSheet::PageIndex() const
{
    const PageControl* pages = pageControl();
    if (!pages)
        return -1;
    const auto all = pages->Pages();
    const auto it = std::find(all.begin(), all.end(), this);
    return it == all.end() ? -1 : static_cast<int>(it - all.begin());
}

void TabSheet::SetPageIndex(int index)
{
    if (PageControl* pages = pageControl())
        pages->MovePage(*this, index);
}

bool TabSheet::Showing() const
{
    const PageControl* pages = pageControl();
    return Visible() && pages && pages->ActivePage() == this && pages->Showing();
}

Control* TabSheet::clickFocusTarget()
{
    PageControl* pages = pageControl();
    return pages ? pages->clickFocusTarget() : nullptr;
}

bool TabSheet::clickable() const
{
    const PageControl* pages = pageControl();
    return pages && tabVisible_ && Enabled() && pages->EnabledInTree() && pages->Showing();
}

void TabSheet::clicked()
{
    pageControl()->SelectPage(*this);
}

std::vector<TabSheet*> PageControl::Pages() const
{
    std::vector<TabSheet*> pages;
    for (Control* child : Children())
        if (auto* page = dynamic_cast<TabSheet*>(child))
            pages.push_back(page);
    return pages;
}

void PageControl::MovePage(TabSheet& page, int index)
{
    // Pages are the only children of a page control, so page and child
    // positions are the same.
    moveChild(page, index);
}

int PageControl::ActivePageIndex() const
{
    return active_ ? active_->PageIndex() : -1;
}

void PageControl::SetActivePage(TabSheet* page)
{
    Q_ASSERT(!page || page->Parent() == this); // a page belongs to one page control
    if (active_ == page)
        return;
    active_ = page;
    changed(Property::ActivePage);
}

bool PageControl::SelectPage(TabSheet& page)
{
    if (&page == active_ || page.Parent() != this || !page.TabVisible() || !page.Enabled())
        return false;
    bool allowChange = true;
    if (OnChanging)
        OnChanging(*this, allowChange);
    if (!allowChange)
        return false;
    SetActivePage(&page);
    fire(OnChange);
    return true;
}

void PageControl::keyDownDefault(Key& key, Shift shift)
{
    if (key == Qt::Key_Tab && (shift & Qt::ControlModifier)) {
        selectNeighbour(!(shift & Qt::ShiftModifier));
        key = 0;
        return;
    }
    Control::keyDownDefault(key, shift);
}

void PageControl::selectNeighbour(bool forward)
{
    const auto pages = Pages();
    const int count = static_cast<int>(pages.size());
    const int start = std::max(ActivePageIndex(), 0);
    for (int step = 1; step < count; ++step) {
        TabSheet* page =
            pages[static_cast<size_t>((start + (forward ? step : count - step)) % count)];
        if (page->TabVisible() && page->Enabled()) {
            SelectPage(*page);
            return;
        }
    }
}

} // namespace cmp::fw
