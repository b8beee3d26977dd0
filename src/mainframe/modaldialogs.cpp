#include "mainframe/modaldialogs.h"

#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/weakref.h>

#include <iterator>
#include <vector>

namespace {

// Sees every dialog that really runs its modal loop (a hook of a test may
// answer a dialog before it gets here, or after: then it is never shown
// modally and is passed over). Weak references: a dialog lives on its
// caller's stack and may be gone without its Exit.
class ModalDialogStack : public wxModalDialogHook
{
public:
    wxDialog* Innermost() const
    {
        for (auto it = m_open.rbegin(); it != m_open.rend(); ++it)
            if (wxDialog* dialog = it->get(); dialog != nullptr && dialog->IsModal())
                return dialog;
        return nullptr;
    }

protected:
    int Enter(wxDialog* dialog) override
    {
        m_open.emplace_back(dialog);
        return wxID_NONE;
    }

    void Exit(wxDialog* dialog) override
    {
        for (auto it = m_open.rbegin(); it != m_open.rend(); ++it)
            if (it->get() == dialog)
            {
                m_open.erase(std::next(it).base());
                break;
            }
        // Dialogs gone without their Exit.
        while (!m_open.empty() && m_open.back().get() == nullptr)
            m_open.pop_back();
    }

private:
    std::vector<wxWeakRef<wxDialog>> m_open;
};

// Registered for the rest of the process, never unregistered: the toolkit's
// list of hooks may be gone before this one at exit.
ModalDialogStack* theModalDialogs = nullptr;

} // namespace

void TrackModalDialogs()
{
    if (theModalDialogs != nullptr)
        return;
    theModalDialogs = new ModalDialogStack;
    theModalDialogs->Register();
}

wxDialog* InnermostModalDialog()
{
    return theModalDialogs != nullptr ? theModalDialogs->Innermost() : nullptr;
}
