#pragma once

#include "platform/ui_port.h"
#include "settings/other_set_tree_dlg.h"
#include "settings/page_text.h"
#include "settings/settings_context.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The settings window ("其它设置"): the page tree on the left and one of the
// fifteen pages on the right. It is created hidden with the main window and
// lives as long as it; closing only hides it, so the next show finds the same
// page, tree selection and unsaved edits. The main window hands it
// WM_SHOW_PAGE, which the tree posts, and its language each time it shows it:
// every text of the window and its pages follows that language, while what
// the pages store stays the same in either.
namespace vexlo {

struct ConfigProfile;
class SettingsPage;
class CWarningMotionDlg;
struct SettingsPageEntry;

struct PageRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PageRect&) const = default;
};

class COtherSetDlg
{
public:
    static constexpr int kTemplateId = 132;
    static constexpr std::uint32_t WM_SHOW_PAGE = 1031;
    static constexpr int kPageLeft = 200; // pages sit right of the tree
    static constexpr int kMotionPageIndex = 10;
    // The client area of the 604 × 326 dialog-unit template at the classic
    // dialog base units (6 × 13 pixels per 4 × 8 units).
    static constexpr int kClientWidth = 604 * 6 / 4;
    static constexpr int kClientHeight = 326 * 13 / 8;

    COtherSetDlg(ConfigProfile& profile, std::filesystem::path configDirectory, UiPort& ui,
                 std::function<DateTimeValue()> now = {});
    ~COtherSetDlg();
    COtherSetDlg(const COtherSetDlg&) = delete;
    COtherSetDlg& operator=(const COtherSetDlg&) = delete;

    static constexpr PageText kTitle{u"其它设置", u"Other Settings"};
    std::u16string title() const { return std::u16string(textOf(kTitle, language())); }

    // The language of every text of the window (kLanguageChinese or
    // kLanguageEnglish; any other index changes nothing). Before onInitDialog
    // it is the one the pages are created in; after it, the tree and the pages
    // are written again, keeping their selections, ticks and edits.
    void setLanguage(int language);
    int language() const { return m_context.language; }

    // Creates the tree and the fifteen pages; shows page 0. The client size
    // places the pages.
    void onInitDialog(int clientWidth, int clientHeight);

    // Sets every page's controls from the profile (after a successful load).
    void LoadFromProfile();

    int currentPageIndex() const { return m_currentPage; }
    void setCurrentPageIndex(int index) { m_currentPage = index; }

    // Messages for this window: WM_SHOW_PAGE. Returns 0.
    LPARAM onMessage(const UiMessage& message);

    // Button 1073 of the main window shows it; the close box only hides it.
    void show() { m_visible = true; }
    void onClose() { m_visible = false; }
    bool visible() const { return m_visible; }

    bool swallowsKey(int key) const;

    COtherSetTreeDlg& tree() { return m_tree; }
    // Page by index; throws std::out_of_range before onInitDialog or for an
    // index outside 0 to 14.
    SettingsPage& page(int index);
    CWarningMotionDlg& motionPage();
    // The page shown, or -1 when none is.
    int shownPage() const;
    PageRect pageRect() const { return m_pageRect; }

private:
    void showCurrentPage();

    SettingsContext m_context;
    COtherSetTreeDlg m_tree;
    std::vector<std::unique_ptr<SettingsPage>> m_pages;
    std::unordered_map<int, SettingsPage*> m_pageMap;
    int m_currentPage = 0;
    bool m_visible = false;
    PageRect m_pageRect;
};

} // namespace vexlo
