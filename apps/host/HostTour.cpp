#include "apps/host/HostTour.h"

#include "apps/host/ContactSheet.h"
#include "apps/host/HostState.h"
#include "apps/host/ScenarioPlayer.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/SafeOutputFile.h"
#include "platform/graphics/UIImage.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace {

struct Step {
    std::string file;
    std::string title;
    std::string commands;
};

// A finger pressed on the first node and moved through the others, not yet lifted, so the
// picture shows the trail.
std::string pressThrough(const std::vector<int>& nodes)
{
    const std::vector<CGPoint> centres = HostState::nodeCentres();
    std::string commands;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto index = static_cast<std::size_t>(nodes[i]);
        if (index >= centres.size())
            break;
        commands += (i == 0 ? "down " : "move ") + std::to_string(centres[index].x) + " " + std::to_string(centres[index].y) + "\n";
    }
    return commands;
}

// The passcode is an L down the left column and along the bottom; the wrong one is the top row.
// Steps that press a path are made when they are reached, from the nodes then on screen.
std::vector<std::function<Step()>> steps()
{
    const std::vector<int> passcode { 0, 3, 6, 7, 8 };
    std::vector<std::function<Step()>> list = {
        [] { return Step { "01-launch", "the host launches and the lock asks for a new pattern", "launch" }; },
        [=] { return Step { "02-drawing", "a first pattern is being drawn", pressThrough(passcode) }; },
        [] { return Step { "03-first-pattern", "the finger lifts: the pattern is to be drawn again", "up" }; },
        [] { return Step { "04-confirmed", "the same pattern again confirms the passcode", "draw 0 3 6 7 8" }; },
        [] { return Step { "05-host", "1.5 s later the host's window comes to the front", "wait 1.5" }; },
        [] {
            return Step { "06-back-after-200s", "the host leaves and comes back 200 s later: the lock fades in",
                "background\nwait 200\nforeground\nwait 0.3" };
        },
    };
    for (int i = 1; i <= 6; ++i) {
        list.push_back([i] {
            return Step { (i + 6 < 10 ? "0" : "") + std::to_string(i + 6) + "-wrong-" + std::to_string(i),
                i < 6 ? "wrong pattern " + std::to_string(i) : std::string("the sixth wrong pattern takes the pattern entry away"),
                i < 6 ? "draw 0 1 2" : "draw 0 1 2\nwait 0.8" };
        });
    }
    list.push_back([] { return Step { "13-wait-over", "after the 10 s wait the pattern entry comes back", "wait 9.2\nwait 0.5" }; });
    list.push_back([=] { return Step { "14-drawing-right", "the right pattern is being drawn", pressThrough(passcode) }; });
    list.push_back([] { return Step { "15-unlocked", "the finger lifts: the lock fades out and the host is in front", "up\nwait 0.3" }; });
    return list;
}

} // namespace

int HostTour::run(const std::string& snapshotDirectory, std::ostream& out, std::shared_ptr<VirtualClock> clock)
{
    // Often a shared place such as /tmp: the folder is made private when missing, and one that is
    // a link or another user's is refused, so that no one can have the tour write over a file.
    std::string error;
    const UniqueFd folder = SafeOutputFile::openFolder(snapshotDirectory, true, error);
    if (!folder) {
        std::cerr << "glyphward-host: cannot use the folder for the pictures: " << error << "\n";
        return 1;
    }
    const auto writePicture = [&folder, &error](const UIImage& picture, const std::string& name) {
        UniqueFd file = SafeOutputFile::openFile(folder.get(), name, error);
        return file && picture.writePNG(file.get()) && file.close() == 0;
    };
    ScenarioPlayer player(out, std::move(clock));

    std::vector<std::shared_ptr<UIImage>> pictures;
    int number = 0;
    for (const auto& makeStep : steps()) {
        const Step step = makeStep();
        ++number;
        out << "step " << number << ": " << step.title << std::endl;
        const ScenarioScript script = ScenarioScript::parse(step.commands);
        for (const ScenarioCommand& command : script.commands())
            player.perform(command);

        const auto picture = Renderer::snapshotScreen();
        const std::string path = (std::filesystem::path(snapshotDirectory) / (step.file + ".png")).string();
        if (!picture || !writePicture(*picture, step.file + ".png")) {
            std::cerr << "glyphward-host: cannot write " << path << (error.empty() ? "" : ": " + error) << "\n";
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
    if (!sheet || !writePicture(*sheet, "tour.png")) {
        std::cerr << "glyphward-host: cannot write " << sheetPath << (error.empty() ? "" : ": " + error) << "\n";
        return 1;
    }
    out << "pictures of " << pictures.size() << " steps are in " << std::filesystem::absolute(snapshotDirectory).string()
        << "; the contact sheet is " << std::filesystem::absolute(sheetPath).string() << std::endl;
    return 0;
}
