#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/time.h>
#include <wx/utils.h>

namespace {

std::string DescribeDialog(wxDialog* dialog)
{
    wxString text = wxString::Format("dialog \"%s\" (%s)", dialog->GetTitle(), dialog->GetClassInfo()->GetClassName());
    if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog))
        text += ": " + box->GetMessage();
    return text.utf8_string();
}

} // namespace

int StrictTestingHook::Enter(wxDialog* dialog)
{
    const int answer = wxTestingModalHook::Enter(dialog);
    return answer == wxID_NONE ? wxID_CANCEL : answer;
}

void StrictTestingHook::ReportFailure(const wxString& message)
{
    ADD_FAILURE() << message.utf8_string();
}

int UnexpectedDialogHook::Enter(wxDialog* dialog)
{
    ADD_FAILURE() << "unexpected " << DescribeDialog(dialog);
    return wxID_CANCEL;
}

int ExpectMessageBox::OnInvoked(wxGenericMessageDialog* dialog) const
{
    EXPECT_EQ(dialog->GetMessage().utf8_string(), m_message.utf8_string());
    EXPECT_EQ(dialog->GetTitle().utf8_string(), m_caption.utf8_string());
    // The generic box shows wxICON_NONE as the error icon (and asserts): no
    // icon is no icon flag at all.
    EXPECT_TRUE(m_icon == 0 || (dialog->GetMessageDialogStyle() & wxICON_MASK) == (m_icon == wxICON_NONE ? 0 : m_icon))
        << DescribeDialog(dialog);
    return m_answer;
}

bool YieldUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const wxLongLong end = wxGetLocalTimeMillis() + timeoutMs;
    for (; !condition(); wxMilliSleep(2))
    {
        if (wxGetLocalTimeMillis() > end)
            return condition();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
    }
    return true;
}

void FlushEvents()
{
    for (int i = 0; i < 5; ++i)
    {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
    }
}
