#include "app/my_app.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/client.h"
#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "gui/frame_window.h"
#include "platform/ui_services.h"
#include "resources/ids.h"
#include "resources/version.h"

namespace {

constexpr const char* ApplicationName = "Quillet " QUILLET_VERSION_TEXT;

constexpr int WindowWidth = 513;
constexpr int WindowHeight = 228;

// An argument that does not fit its edit is left out rather than cut: a cut
// path could name another file that exists.
void takeArgument(char (&field)[256], const char* argument) {
    std::size_t length = strnlen(argument, sizeof field);
    if (length >= sizeof field) return;
    std::memcpy(field, argument, length + 1);
}

}  // namespace

My_App::My_App(int argumentCount, char** arguments, int showCommand)
    : Application(showCommand), appName(ApplicationName), argumentCount_(argumentCount), arguments_(arguments) {}

My_App::~My_App() = default;

void My_App::initApplication() { appName = ApplicationName; }

void My_App::initInstance() {
    if (argumentCount_ > 1 && arguments_[1]) takeArgument(mainTransfer.sourceText, arguments_[1]);
    if (argumentCount_ > 2 && arguments_[2]) takeArgument(mainTransfer.targetText, arguments_[2]);
    Application::initInstance();
}

void My_App::initMainWindow() {
    auto client = std::make_unique<Client>();
    mainTransfer.clearReadOnlyFromCdrom = 1;
    client->buildControls();

    auto frame = std::make_unique<FrameWindow>(nullptr, appName.c_str(), std::move(client));
    frame->setIcon(IDI_MAIN);
    frame->attributes.x = GetSystemMetrics(SM_CXSCREEN) / 2 - 256;
    frame->attributes.y = GetSystemMetrics(SM_CYSCREEN) / 2 - 114;
    frame->attributes.width = WindowWidth;
    frame->attributes.height = WindowHeight;
    frame->attributes.style = WS_SYSMENU;
    setMainWindow(std::move(frame));
}

void My_App::reportStartFailure() {
    ui::beep();
    ui::messageBox(nullptr, "   Couldn't create the program's window\t\t\t ", "Error", MB_OK | MB_ICONHAND);
}

bool My_App::canClose() {
    if (jobRunning()) {
        ui::beep();
        return false;
    }
    return Application::canClose();
}

void My_App::exitProgram() { std::exit(0); }
