#include "apps/host/HostTour.h"

#include "apps/host/ContactSheet.h"
#include "apps/host/HostState.h"
#include "apps/host/ScenarioPlayer.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/Renderer.h"
#include "platform/graphics/UIImage.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

namespace {

struct Step {
    const char* file;
    const char* title;
    const char* commands;
};

// The passcode is an L down the left column and along the bottom; the wrong one is the top row.
const std::vector<Step>& steps()
{
    static const std::vector<Step> list = {
        { "01-launch", "the host launches and the lock asks for a new pattern", "launch" },
        { "02-first-pattern", "a first pattern is drawn", "draw 0 3 6 7 8" },
        { "03-confirmed", "the same pattern again confirms the passcode", "draw 0 3 6 7 8" },
        { "04-host", "1.5 s later the host's window comes to the front", "wait 1.5" },
        { "05-back-after-200s", "the host leaves and comes back 200 s later: the lock fades in",
            "background\nwait 200\nforeground\nwait 0.3" },
        { "06-wrong-1", "a wrong pattern", "draw 0 1 2" },
        { "07-wrong-2", "a second wrong pattern", "draw 0 1 2" },
        { "08-wrong-3", "a third wrong pattern", "draw 0 1 2" },
        { "09-wrong-4", "a fourth wrong pattern", "draw 0 1 2" },
        { "10-wrong-5", "a fifth wrong pattern", "draw 0 1 2" },
        { "11-wrong-6", "the sixth wrong pattern takes the pattern entry away", "draw 0 1 2\nwait 0.8" },
        { "12-wait-over", "after the 10 s wait the pattern entry comes back", "wait 9.2\nwait 0.5" },
        { "13-right-pattern", "the right pattern starts the fade-out", "draw 0 3 6 7 8\nwait 0.15" },
        { "14-unlocked", "the lock has faded out and the host is in front", "wait 0.15" },
    };
    return list;
}

} // namespace

int HostTour::run(const std::string& snapshotDirectory, std::ostream& out, std::shared_ptr<VirtualClock> clock)
{
    std::error_code error;
    std::filesystem::create_directories(snapshotDirectory, error);
    if (error) {
        std::cerr << "glyphward-host: cannot make " << snapshotDirectory << ": " << error.message() << "\n";
        return 1;
    }
    ScenarioPlayer player(out, std::move(clock));

    std::vector<std::shared_ptr<UIImage>> pictures;
    int number = 0;
    for (const Step& step : steps()) {
        ++number;
        out << "step " << number << ": " << step.title << std::endl;
        const ScenarioScript script = ScenarioScript::parse(step.commands);
        for (const ScenarioCommand& command : script.commands())
            player.perform(command);

        const auto picture = Renderer::snapshotScreen();
        const std::string path = (std::filesystem::path(snapshotDirectory) / (std::string(step.file) + ".png")).string();
        if (!picture || !picture->writePNG(path)) {
            std::cerr << "glyphward-host: cannot write " << path << "\n";
            return 1;
        }
        pictures.push_back(picture);
        const auto state = HostState::read();
        out << "  message: " << (state["label"].is_null() ? std::string("(none)") : state["label"].get<std::string>())
            << ", in front: " << (state["frontWindow"].is_null() ? std::string("(none)") : state["frontWindow"].get<std::string>())
            << ", wrong patterns: " << state["failCount"].dump() << std::endl;
        out << "  picture: " << path << std::endl;
    }

    const std::string sheetPath = (std::filesystem::path(snapshotDirectory) / "tour.png").string();
    const auto sheet = ContactSheet::make(pictures, 5, 2);
    if (!sheet || !sheet->writePNG(sheetPath)) {
        std::cerr << "glyphward-host: cannot write " << sheetPath << "\n";
        return 1;
    }
    out << "pictures of " << pictures.size() << " steps are in " << std::filesystem::absolute(snapshotDirectory).string()
        << "; the contact sheet is " << std::filesystem::absolute(sheetPath).string() << std::endl;
    return 0;
}
