// The command value editor below the trees.

#include "configdlg/configdlg.h"

#include "mainframe/localtext.h"
#include "projdefs/parsecommand.h"

namespace {

const wxColour INVALID_COLOUR(255, 128, 128);

} // namespace

void ConfigDlg::CheckCommandText()
{
    const std::string text = ToLocal8Bit(m_commandText->GetValue());
    const bool valid = ParseCommand(text.c_str()) == 0;
    m_commandText->SetBackgroundColour(valid ? wxNullColour : INVALID_COLOUR);
    m_commandText->Refresh();
}
