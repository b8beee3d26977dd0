// The "Options" page: one load from and one save to the settings store.

#include "configdlg/configdlg.h"

#include "controls/choiceorder.h"
#include "controls/fieldvalidity.h"
#include "controls/localtext.h"
#include "settings/mainsettings.h"
#include "settings/settingsvalue.h"

#include <wx/filedlg.h>

#include <set>

namespace {

const char NO_DEFAULT[] = "**None**";

} // namespace

void ConfigDlg::LoadOptions()
{
    const MainSettings settings = CurrentSettings();
    SetQuietly(m_refFileText, settings.FileName(REFERENCE_FILE + 1));
    SetQuietly(m_refUrlText, settings.FileUrl(REFERENCE_FILE + 1));
    SetQuietly(m_userFileText, settings.FileName(USER_FILE + 1));
    SetQuietly(m_userUrlText, settings.FileUrl(USER_FILE + 1));

    SetQuietly(m_passwordText, settings.Password());
    m_whiteBoardBox->SetValue(settings.WhiteBoardMode());
    m_stayOnTopBox->SetValue(settings.StayOnTop());
    m_autoCheckBox->SetValue(settings.AutoCheck());
    m_autoDownloadBox->SetValue(settings.AutoDownload());
    m_allowChangeBox->SetValue(settings.AllowChange());
    SetQuietly(m_freezeDelayText, settings.FreezeDelayText());
    SetQuietly(m_idleOffText, settings.IdleOffMinutesText());

    FillDefaultChoice(settings.FileName(USER_FILE + 1), settings.FileUrl(USER_FILE + 1),
                      settings.DefaultProjector());
    CheckOptionTexts();

    m_optionsModified = false;
    m_applyButton->Enable(false);
    m_revertButton->Enable(false);
}

void ConfigDlg::FillDefaultChoice(const wxString& path, const wxString& url,
                                  const wxString& defaultName)
{
    // The projectors of the user file as it is on disk, whatever the
    // Projectors page holds. Sorted in memory and handed over in one batch:
    // item by item takes seconds with thousands of projectors.
    std::set<wxString, ByCharacterCodes> names;
    if (!path.empty())
    {
        ProjectorList onDisk;
        onDisk.AddSource(ToLocal8Bit(path), ToLocal8Bit(url));
        onDisk.ReadSource(0); // what it cannot read is simply not offered
        for (size_t i = 0; i < onDisk.GetProjectorCount(); ++i)
            names.insert(FromLocal8Bit(onDisk.GetProjector(i)->GetName()));
    }

    wxArrayString items;
    items.reserve(names.size() + 1);
    items.push_back(NO_DEFAULT);
    // The main window's match: the first name in this order that equals
    // the stored one without regard to case.
    m_storedDefault = defaultName;
    m_storedDefaultItem = 0;
    for (const wxString& name : names)
    {
        if (m_storedDefaultItem == 0 && IsDefaultProjectorName(name, defaultName))
            m_storedDefaultItem = static_cast<int>(items.size());
        items.push_back(name);
    }
    m_defaultChoice->Clear();
    m_defaultChoice->Append(items);
    m_defaultChoice->SetSelection(m_storedDefaultItem);
}

wxString ConfigDlg::ChosenDefaultProjector() const
{
    const int selection = m_defaultChoice->GetSelection();
    if (selection < 1)
        return wxString();
    // Unchanged, the stored text stays as it is, whatever its letter case.
    if (selection == m_storedDefaultItem)
        return m_storedDefault;
    return m_defaultChoice->GetString(static_cast<unsigned>(selection));
}

bool ConfigDlg::CheckOptionTexts()
{
    bool allValid = true;
    for (wxTextCtrl* text : {m_refFileText, m_refUrlText, m_userFileText, m_userUrlText, m_passwordText,
                             m_freezeDelayText})
    {
        const wxString value = text->GetValue();
        const bool valid = text == m_passwordText ? IsStorablePassword(value) : IsSingleLineText(value);
        ShowFieldValidity(text, valid);
        allValid = allValid && valid;
    }
    long idleOffMinutes = 0;
    const bool idleOffValid = ParseIdleOffMinutes(m_idleOffText->GetValue(), idleOffMinutes);
    ShowFieldValidity(m_idleOffText, idleOffValid);
    return allValid && idleOffValid;
}

void ConfigDlg::OnOptionChanged(wxCommandEvent&)
{
    CheckOptionTexts();
    m_optionsModified = true;
    m_applyButton->Enable(true);
    m_revertButton->Enable(true);
}

void ConfigDlg::OnApply(wxCommandEvent&)
{
    // A text that the file would not give back as typed is refused whole,
    // shown in red; nothing is written until it is mended.
    if (!CheckOptionTexts())
        return;
    if (theSettings)
    {
        SettingsStore& store = *theSettings;
        store.Write(FileNameKey(REFERENCE_FILE + 1), m_refFileText->GetValue());
        store.Write(FileUrlKey(REFERENCE_FILE + 1), m_refUrlText->GetValue());
        store.Write(FileNameKey(USER_FILE + 1), m_userFileText->GetValue());
        store.Write(FileUrlKey(USER_FILE + 1), m_userUrlText->GetValue());
        store.Write(KEY_STARTUP_AUTOCHECK, m_autoCheckBox->GetValue());
        store.Write(KEY_STARTUP_AUTODOWNLOAD, m_autoDownloadBox->GetValue());
        store.Write(KEY_PROJ_ALLOWCHANGE, m_allowChangeBox->GetValue());
        store.Write(KEY_PROJ_DEFAULT, ChosenDefaultProjector());
        store.Write(KEY_OPTIONS_PASSWORD, m_passwordText->GetValue());
        store.Write(KEY_OPTIONS_WHITEBOARDMODE, m_whiteBoardBox->GetValue());
        store.Write(KEY_OPTIONS_STAYONTOP, m_stayOnTopBox->GetValue());
        store.Write(KEY_OPTIONS_FREEZEDELAY, m_freezeDelayText->GetValue());
        long idleOffMinutes = 0;
        ParseIdleOffMinutes(m_idleOffText->GetValue(), idleOffMinutes);
        store.Write(KEY_OPTIONS_IDLEOFFMINUTES, idleOffMinutes);
        FlushSettings(store);
    }

    m_optionsModified = false;
    m_applyButton->Enable(false);
    m_revertButton->Enable(false);

    // Both trees now show the files the settings name; unsaved edits go.
    LoadFile(REFERENCE_FILE, true);
    LoadFile(USER_FILE, false);
}

void ConfigDlg::OnRevertOptions(wxCommandEvent&)
{
    LoadOptions();
}

void ConfigDlg::OnBrowseFile(wxCommandEvent& event)
{
    wxTextCtrl* target = event.GetId() == ID_REF_BROWSE ? m_refFileText : m_userFileText;
    const wxString chosen = AskForFile(target->GetValue());
    if (!chosen.empty())
        target->SetValue(chosen); // notifies: the options are modified
}

wxString ConfigDlg::AskForFile(const wxString& current)
{
    wxFileDialog dialog(this, "Choose projector file", wxEmptyString, current,
                        wxFileSelectorDefaultWildcardStr, wxFD_OPEN);
    if (dialog.ShowModal() != wxID_OK)
        return wxString();
    return dialog.GetPath();
}
