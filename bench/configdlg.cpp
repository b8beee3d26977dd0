// bench-configdlg: the configuration dialog with large projector files.
//
// Under Xvfb, with a reference file and a user file of N projectors each
// (12 entries per projector), measures for N = 5,000 and N = 500:
//   - opening: from construction until both trees and the "Default:" choice
//     are filled and the dialog is shown;
//   - "Apply": the options written and both files read and their trees rebuilt;
//   - renaming a user projector (the tree sorted again) and copying a
//     reference projector into the user file, best of 5 (goal: each under
//     100 ms);
// and prints the ratio of the two sizes (goals: each under 1 s at 5,000, the
// ratio under 15). Wall-clock time is the goal; the process's CPU time is
// shown beside it, since the machine may be shared.
//
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bench/bench-configdlg

#include "app/toolkitstart.h"
#include "configdlg/configdlg.h"
#include "log/log.h"
#include "settings/settings.h"
#include "support/cputime.h"

#include "support/core/temp_dir.h"

#include <wx/app.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <time.h>
#include <string>
#include <vector>

namespace {

constexpr int EDIT_RUNS = 5;

// `count` projectors in shuffled order, each with two parameters and ten commands.
std::string ProjectorFile(int count, const char* prefix)
{
    std::vector<int> order(count);
    for (int i = 0; i < count; ++i)
        order[i] = i;
    std::mt19937 random(7);
    std::shuffle(order.begin(), order.end(), random);
    std::string text = "version: 1.0\n";
    char line[128];
    for (int i : order)
    {
        snprintf(line, sizeof line, "projector: %s %05d\n", prefix, i);
        text += line;
        text += "P, Baud, 9600\nP, Cable, null modem\nC, On, PWR1<cr>\nC, Off, PWR0<cr>\n"
                "C, SourceVGA, SRC1<cr>\nC, SourceComposite, SRC2<cr>\nC, Freeze, FRZ1<cr>\n"
                "C, UnFreeze, FRZ0<cr>\nC, Lamp Hours, LMP?<cr>\nC, Eco Mode, ECO1<cr><w 50 ms>\n"
                "C, Mute, MUT1<cr>\nC, UnMute, MUT0<cr>\n";
    }
    return text;
}

// Reaches the handlers the benchmark drives.
class BenchDlg : public ConfigDlg
{
public:
    BenchDlg() : ConfigDlg(nullptr) {}

    void Apply()
    {
        wxCommandEvent event(wxEVT_BUTTON, m_applyButton->GetId());
        OnApply(event);
    }
    // Renames the user file's projector in the middle of the tree's order.
    void RenameMiddleProjector(const wxString& name)
    {
        const wxTreeItemId root = m_userTree->GetRootItem();
        wxTreeItemId node = ProjectorAt(m_userTree, m_userTree->GetChildrenCount(root, false) / 2);
        m_userTree->SelectItem(node);
        wxTreeEvent edit(wxEVT_TREE_END_LABEL_EDIT, m_userTree, node);
        edit.SetLabel(name);
        OnTreeEndLabelEdit(edit);
    }
    // Selects the reference tree's projector node at this position.
    void SelectReference(size_t position) { m_refTree->SelectItem(ProjectorAt(m_refTree, position)); }
    // Copies the selected reference projector into the user file.
    void CopySelected()
    {
        wxCommandEvent copy(wxEVT_BUTTON, m_copyButton->GetId());
        OnCopyProjector(copy);
    }
    size_t UserProjectors() const { return m_userList.GetProjectorCount(); }
    size_t TreeCount() const { return m_refTree->GetCount() + m_userTree->GetCount(); }
    unsigned ChoiceCount() const { return m_defaultChoice->GetCount(); }

private:
    static wxTreeItemId ProjectorAt(wxTreeCtrl* tree, size_t position)
    {
        const wxTreeItemId root = tree->GetRootItem();
        wxTreeItemIdValue cookie;
        wxTreeItemId child = tree->GetFirstChild(root, cookie);
        for (size_t i = 0; i < position && child.IsOk(); ++i)
            child = tree->GetNextChild(root, cookie);
        return child;
    }
};

struct Figures
{
    double openMs = 0;
    double applyMs = 0;
    double constructMs = 0;
    double openCpuMs = 0;
    double applyCpuMs = 0;
    double renameMs = 0;
    double copyMs = 0;
    double renameCpuMs = 0;
    double copyCpuMs = 0;
};

bool Measure(int count, Figures& figures)
{
    TempDir dir;
    const std::string refFile = dir.File("AulavoxMaster.txt");
    const std::string userFile = dir.File("CustomList.txt");
    if (!WriteWholeFile(refFile, ProjectorFile(count, "Reference")) ||
        !WriteWholeFile(userFile, ProjectorFile(count, "User")))
    {
        fprintf(stderr, "cannot write the projector files in %s\n", dir.Path().c_str());
        return false;
    }
    theSettings = OpenSettingsStore(wxString::FromUTF8(dir.File("AulavoxKesto.ini")));
    RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), wxString::FromUTF8(dir.Path()));
    theSettings->Write(FileNameKey(FILE_REFERENCE), wxString::FromUTF8(refFile));
    theSettings->Write(FileNameKey(FILE_USER), wxString::FromUTF8(userFile));
    theSettings->Write(KEY_PROJ_DEFAULT, wxString::Format("User %05d", count / 2));

    const double cpuStart = CpuMs();
    const Clock::time_point start = Clock::now();
    BenchDlg* dlg = new BenchDlg;
    const Clock::time_point built = Clock::now();
    dlg->Show();
    wxTheApp->Yield(true);
    figures.openMs = Ms(Clock::now() - start);
    figures.constructMs = Ms(built - start);
    figures.openCpuMs = CpuMs() - cpuStart;

    const size_t nodes = dlg->TreeCount();
    const unsigned choices = dlg->ChoiceCount();
    const double applyCpuStart = CpuMs();
    const Clock::time_point applyStart = Clock::now();
    dlg->Apply();
    wxTheApp->Yield(true);
    figures.applyMs = Ms(Clock::now() - applyStart);
    figures.applyCpuMs = CpuMs() - applyCpuStart;

    // The editor on the rebuilt trees, best of EDIT_RUNS: renames that move
    // a projector to the front of the order, then copies that each add a
    // projector.
    figures.renameMs = figures.renameCpuMs = figures.copyMs = figures.copyCpuMs = 1e9;
    for (int run = 0; run < EDIT_RUNS; ++run)
    {
        const Clock::time_point start = Clock::now();
        const double cpuStart = CpuMs();
        dlg->RenameMiddleProjector(wxString::Format("Aardvark %d", run));
        figures.renameMs = std::min(figures.renameMs, Ms(Clock::now() - start));
        figures.renameCpuMs = std::min(figures.renameCpuMs, CpuMs() - cpuStart);
    }
    for (int run = 0; run < EDIT_RUNS; ++run)
    {
        const size_t before = dlg->UserProjectors();
        dlg->SelectReference(static_cast<size_t>(count / 2 + run));
        const Clock::time_point start = Clock::now();
        const double cpuStart = CpuMs();
        dlg->CopySelected();
        figures.copyMs = std::min(figures.copyMs, Ms(Clock::now() - start));
        figures.copyCpuMs = std::min(figures.copyCpuMs, CpuMs() - cpuStart);
        if (dlg->UserProjectors() != before + 1)
        {
            fprintf(stderr, "the copy added no projector\n");
            return false;
        }
    }

    printf("%5d projectors a file: %zu tree nodes, %u default choices; open %.1f ms (cpu %.1f), Apply %.1f ms (cpu %.1f)\n",
           count, nodes, choices, figures.openMs, figures.openCpuMs, figures.applyMs,
           figures.applyCpuMs);
    printf("      rename %.1f ms (cpu %.1f), copy %.1f ms (cpu %.1f)\n", figures.renameMs,
           figures.renameCpuMs, figures.copyMs, figures.copyCpuMs);
    fflush(stdout);

    dlg->Destroy();
    wxTheApp->ProcessPendingEvents();
    delete theSettings;
    theSettings = nullptr;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!StartToolkitWithoutLoop(argc, argv))
        return 1;
    theLog = new LogStdout;
    theLog->SetMask(1u << Log::LEVEL_ERROR);

    // The first dialog of the process pays for the toolkit's first use.
    Figures warmUp;
    Figures small;
    Figures large;
    if (!Measure(50, warmUp) || !Measure(500, small) || !Measure(5000, large))
        return 1;
    printf("open at 5,000:  %.1f ms (goal < 1000 ms), ratio to 500: %.1f (goal < 15); cpu %.1f ms, ratio %.1f\n",
           large.openMs, large.openMs / small.openMs, large.openCpuMs, large.openCpuMs / small.openCpuMs);
    printf("rename at 5,000: %.1f ms (cpu %.1f), copy at 5,000: %.1f ms (cpu %.1f) (goal < 100 ms each)\n",
           large.renameMs, large.renameCpuMs, large.copyMs, large.copyCpuMs);
    printf("Apply at 5,000: %.1f ms (goal < 1000 ms), ratio to 500: %.1f (goal < 15); cpu %.1f ms, ratio %.1f\n",
           large.applyMs, large.applyMs / small.applyMs, large.applyCpuMs, large.applyCpuMs / small.applyCpuMs);

    wxEntryCleanup();
    delete static_cast<LogStdout*>(theLog);
    theLog = nullptr;
    return 0;
}
