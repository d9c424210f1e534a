#include "app/Application.h"

#include "app/Dialogs.h"
#include "app/core/AppRules.h"
#include "base/Exception.h"
#include "base/Platform.h"

#include <exception>

namespace {
// Shows the exception currently being handled; never throws.
void ShowCurrentException()
{
    try {
        try {
            throw;
        } catch (const Exception& e) {
            ShowExceptionBox(e.Message());
        } catch (const std::exception& e) {
            ShowExceptionBox(e.what());
        } catch (...) {
            ShowExceptionBox("Unknown exception");
        }
    } catch (...) {
        // A failure of the box itself must not take the loop down.
    }
}
}  // namespace

TApplication::TApplication() : FTitle(ApplicationTitleFor(ExecutableFileName()))
{
}

bool TApplication::OnExceptionInMainLoop()
{
    ShowCurrentException();
    return true;
}

void TApplication::OnUnhandledException()
{
    ShowCurrentException();
}

std::string ApplicationTitle()
{
    if (auto* app = dynamic_cast<TApplication*>(wxTheApp)) return app->Title();
    return ApplicationTitleFor(ExecutableFileName());
}
