#pragma once

// A user of the projector file updater. Run blocks in the updater's own
// polling loop; this timer acts in it like a user, one step after another,
// each when the shown updater reaches the step's state.

#include "connectiondlg/connectiondlg.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class UpdaterScript : public wxTimer
{
public:
    enum Act { ACTION, CANCEL, CLOSE_BOX, DESTROY, CALL_THEN_ACTION };
    struct Step
    {
        // A text the status shows; "@close": "Close" is offered; "@tmp": the
        // download's temporary file (a name that starts with `tmp`) exists
        // while it runs.
        std::string when;
        Act act;
    };

    explicit UpdaterScript(std::vector<Step> steps, std::function<void()> call = nullptr, std::string tmp = "")
        : m_steps(std::move(steps)), m_call(std::move(call)), m_tmp(std::move(tmp))
    {
        Start(5);
    }
    ~UpdaterScript() override { Stop(); }

    // Whether a file whose path starts with `prefix` exists beside it.
    static bool FileStartingWithExists(const std::string& prefix)
    {
        const std::filesystem::path start(prefix);
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(start.parent_path(), error))
            if (entry.path().string().rfind(prefix, 0) == 0)
                return true;
        return false;
    }

    // Records every text the status shows (a check followed at once by a
    // download replaces it before any step could see it).
    void Watch(ConnectionDlg* updater)
    {
        Status(updater)->Bind(wxEVT_TEXT, [this, updater](wxCommandEvent& event) {
            shown += Status(updater)->GetValue().utf8_string() + "|";
            event.Skip();
        });
    }
    bool Done() const { return m_next == m_steps.size(); }

    static wxTextCtrl* Status(wxWindow* updater)
    {
        for (wxWindow* child : updater->GetChildren())
            if (auto* text = dynamic_cast<wxTextCtrl*>(child); text && text->IsMultiLine())
                return text;
        return nullptr;
    }
    static wxButton* Button(wxWindow* updater, bool cancel)
    {
        for (wxWindow* child : updater->GetChildren())
            if (auto* button = dynamic_cast<wxButton*>(child); button && (button->GetId() == 1000) == cancel)
                return button;
        return nullptr;
    }
    // "action label/cancel label"
    static std::string Labels(wxWindow* updater)
    {
        return (Button(updater, false)->GetLabel() + "/" + Button(updater, true)->GetLabel()).utf8_string();
    }

    std::string shown;

private:
    void Notify() override
    {
        ConnectionDlg* updater = nullptr;
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* shownUpdater = dynamic_cast<ConnectionDlg*>(window); shownUpdater && shownUpdater->IsShown())
                updater = shownUpdater;
        if (wxGetLocalTimeMillis() > m_deadline && !Done())
        {
            ADD_FAILURE() << "script stuck at step " << m_next;
            m_next = m_steps.size();
            if (updater)
                updater->Close();
        }
        if (Done() || updater == nullptr)
            return;
        const Step& step = m_steps[m_next];
        wxButton* action = Button(updater, false);
        wxButton* cancel = Button(updater, true);
        if (step.when == "@tmp" ? !FileStartingWithExists(m_tmp) || action->IsEnabled()
            : step.when == "@close" ? cancel->GetLabel() != "Close"
                                    : Status(updater)->GetValue().utf8_string().find(step.when) == std::string::npos)
            return;
        ++m_next;
        if (step.act == CALL_THEN_ACTION)
            m_call();
        if (step.act == CLOSE_BOX)
            updater->Close();
        else if (step.act == DESTROY)
            EXPECT_TRUE(updater->Destroy());
        else
        {
            wxButton* button = step.act == CANCEL ? cancel : action;
            wxCommandEvent event(wxEVT_BUTTON, button->GetId());
            event.SetEventObject(button);
            button->GetEventHandler()->ProcessEvent(event);
        }
    }

    std::vector<Step> m_steps;
    std::function<void()> m_call;
    std::string m_tmp;
    size_t m_next = 0;
    wxLongLong m_deadline = wxGetLocalTimeMillis() + 15000;
};
