// The command value editor below the trees.

#include "configdlg/configdlg.h"

#include "configdlg/treeitemdata.h"
#include "controls/fieldvalidity.h"
#include "controls/localtext.h"
#include "projdefs/parsecommand.h"

void ConfigDlg::CheckCommandText()
{
    const std::string text = ToLocal8Bit(m_commandText->GetValue());
    const bool valid = ParseCommand(text.c_str()) == 0;
    ShowFieldValidity(m_commandText, valid);
}

void ConfigDlg::OnCommandText(wxCommandEvent&)
{
    CheckCommandText();
    TreeItemData* data = m_curTree ? DataOf(m_curTree, m_curTree->GetSelection()) : nullptr;
    wxASSERT_MSG(data && data->what == TreeItemData::COMMAND, "data->what == TreeItemData::COMMAND");
    if (data == nullptr || data->Entry() == nullptr)
        return;
    data->Entry()->value = ToLocal8Bit(m_commandText->GetValue());
    SetFileModified(USER_FILE, true);
}
