// main() of the GUI tests: a real wxApp on the (Xvfb) display, wx assertions
// turned into test failures, and no display needed just to list the tests.

#include "app/toolkitstart.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>

#include <cstring>

int main(int argc, char** argv)
{
    // Asked before InitGoogleTest, which takes the flag out of argv.
    bool onlyListing = false;
    for (int i = 1; i < argc; ++i)
        onlyListing |= strcmp(argv[i], "--gtest_list_tests") == 0;
    testing::InitGoogleTest(&argc, argv);
    if (onlyListing)
        return RUN_ALL_TESTS();

    if (!StartToolkitWithoutLoop(argc, argv))
        return 1;
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                          const wxString& msg) {
        ADD_FAILURE_AT(file.utf8_str(), line) << "wx assertion in " << func << ": " << cond << " " << msg;
    });
    wxTheApp->SetAppName("AulavoxKestoTests");
    wxTheApp->SetVendorName("AulavoxTech");
    if (!wxTheApp->CallOnInit())
        return 1;

    int result;
    {
        UnexpectedDialogHook hook;
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
