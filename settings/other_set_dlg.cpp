#include "settings/other_set_dlg.h"

#include "settings/page_table.h"
#include "settings/settings_page.h"
#include "settings/warning_motion_dlg.h"

#include <stdexcept>

namespace vexlo {

COtherSetDlg::COtherSetDlg(ConfigProfile& profile, std::filesystem::path configDirectory,
                           UiPort& ui, std::function<DateTimeValue()> now)
    : m_context{profile, std::move(configDirectory), ui, std::move(now)}, m_tree(*this, ui)
{
}

COtherSetDlg::~COtherSetDlg() = default;

void COtherSetDlg::onInitDialog(int clientWidth, int clientHeight)
{
    if (!m_pages.empty())
        return; // created once for the life of the process
    m_pageMap = std::unordered_map<int, SettingsPage*>(257);
    m_pageRect = PageRect{kPageLeft, 0, clientWidth - kPageLeft, clientHeight};
    m_tree.onInitDialog();
    for (const SettingsPageEntry& entry : settingsPages()) {
        m_pages.push_back(createSettingsPage(entry, m_context));
        SettingsPage& created = *m_pages.back();
        created.setVisible(entry.index == 0);
        m_pageMap.emplace(entry.index, &created);
    }
}

void COtherSetDlg::setLanguage(int language)
{
    if (language != kLanguageChinese && language != kLanguageEnglish)
        return;
    if (language == m_context.language)
        return;
    m_context.language = language;
    m_tree.applyLanguage();
    for (const std::unique_ptr<SettingsPage>& page : m_pages)
        page->applyLanguage();
}

void COtherSetDlg::LoadFromProfile()
{
    for (const std::unique_ptr<SettingsPage>& page : m_pages)
        page->LoadFromProfile();
}

LPARAM COtherSetDlg::onMessage(const UiMessage& message)
{
    if (message.message == WM_SHOW_PAGE)
        showCurrentPage();
    return 0;
}

void COtherSetDlg::showCurrentPage()
{
    for (auto& [index, page] : m_pageMap)
        page->setVisible(false);
    auto it = m_pageMap.find(m_currentPage);
    if (m_currentPage >= 0 && m_currentPage < kSettingsPageCount && it != m_pageMap.end())
        it->second->setVisible(true);
}

bool COtherSetDlg::swallowsKey(int key) const
{
    return key == kEscapeKey;
}

SettingsPage& COtherSetDlg::page(int index)
{
    auto it = m_pageMap.find(index);
    if (it == m_pageMap.end())
        throw std::out_of_range("no settings page with this index");
    return *it->second;
}

CWarningMotionDlg& COtherSetDlg::motionPage()
{
    return static_cast<CWarningMotionDlg&>(page(kMotionPageIndex));
}

int COtherSetDlg::shownPage() const
{
    for (const auto& [index, page] : m_pageMap)
        if (page->visible())
            return index;
    return -1;
}

} // namespace vexlo
