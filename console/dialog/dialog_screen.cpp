#include "dialog_screen.h"

#include "console.h"

namespace {
tui::window* root = nullptr;
int screenWidth = 0;
int screenHeight = 0;
int monochrome = 0;
}  // namespace

tui::window* DialogRoot()
{
    return root;
}

void SetDialogScreen(tui::window* newRoot, int width, int height)
{
    root = newRoot;
    screenWidth = width;
    screenHeight = height;
}

int DialogScreenWidth()
{
    return screenWidth > 0 ? screenWidth : tui::screenExtent().x();
}

int DialogScreenHeight()
{
    return screenHeight > 0 ? screenHeight : tui::screenExtent().y();
}

int RootWidth()
{
    return root ? root->cellsWidth() : DialogScreenWidth();
}

int RootHeight()
{
    return root ? root->cellsHeight() : DialogScreenHeight();
}

void SetRootAutoRefresh(int flag)
{
    if (root)
        root->setAutoRefresh(flag);
}

int MonochromeFlag()
{
    return monochrome;
}

void SetMonochromeFlag(int flag)
{
    monochrome = flag ? 1 : 0;
}

int RootAutoRefresh()
{
    return root ? root->autoRefresh() : 0;
}
