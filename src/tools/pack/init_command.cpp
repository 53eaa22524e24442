#include "tools/pack/init_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/errors.h"
#include "core/text/utf.h"
#include "tools/pack/settings_keys.h"

namespace vellum::pack {

namespace {

constexpr const char* kBom = "\xEF\xBB\xBF";

constexpr const char* kIndexHtml = R"(<!doctype html>
<html lang="en">
<head>
  <meta charset="utf-8">
  <title>New app</title>
  <style>
    body { font: 15px/1.5 system-ui, sans-serif; margin: 2rem; }
    button { margin-right: .5rem; }
    output { display: block; margin-top: 1rem; white-space: pre-wrap; }
  </style>
</head>
<body>
  <h1>It works</h1>
  <p id="where">Asking the host where this page runs&hellip;</p>
  <button id="open">Open a file&hellip;</button>
  <button id="args">Command line</button>
  <button id="close">Close</button>
  <output id="status"></output>
  <script src="app.js"></script>
</body>
</html>
)";

// Plain script (no modules), so that it also runs from a page opened without a host.
constexpr const char* kAppJs = R"(// window.vlm is the host's library, injected into every page. Each call returns a promise.
const where = document.getElementById('where');
const status = document.getElementById('status');

function show(text) {
  status.textContent = text;
}

if (!window.vlm) {
  where.textContent = 'No host: open this page with vellum-pack preview or run.';
} else {
  Promise.all([vlm.hello(), vlm.isRuntime()]).then(([version, packaged]) => {
    where.textContent = `Host ${version}, ` + (packaged ? 'packaged app.' : 'preview of the project folder.');
  });

  document.getElementById('open').addEventListener('click', async () => {
    const file = await vlm.dialogs.openFile({ title: 'Open a file', fileTypes: 'All files|*.*' });
    show(file ? `You chose ${file}` : 'No file chosen.');
  });

  // A runtime-only function: in a preview the host says so in a message box instead.
  document.getElementById('args').addEventListener('click', async () => {
    show('Command line: ' + JSON.stringify(await vlm.app.getArgs()));
  });

  document.getElementById('close').addEventListener('click', () => vlm.app.close());

  // The window asks the page before it closes; this page lets it.
  vlm.events.onCloseQuery = () => vlm.app.close();
}
)";

// Creates the file only when nothing is at the path ("x": exclusive), so that a file that
// appeared meanwhile is never replaced.
void WriteNewFile(const std::filesystem::path& path, const std::string& bytes) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wbx"), &std::fclose);
    if (!file) throw EVellumError("cannot create '" + PathToUtf8(path) + "': " + std::strerror(errno));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0)
        throw EVellumError("cannot write '" + PathToUtf8(path) + "': " + std::strerror(errno));
}

}  // namespace

std::string StartingId(const std::string& folderName) {
    std::string id;
    for (const char c : folderName) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            id += c;
        else if (u >= 'A' && u <= 'Z')
            id += static_cast<char>(u - 'A' + 'a');
        else if (!id.empty() && id.back() != '-')
            id += '-';  // anything else, a run of it, becomes one dash
    }
    while (!id.empty() && id.back() == '-') id.pop_back();
    return id.empty() ? "vellum-app" : "vellum." + id;
}

std::string StartingName(const std::string& folderName) {
    std::string name;
    for (const char c : folderName) name += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    const std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return "New app";
    name = name.substr(first, name.find_last_not_of(' ') - first + 1);
    // A line whose value starts the line is read as a comment or a section; the name is never
    // the start of the line, but keeping it plain avoids surprises when it is edited.
    if (!IsValidUtf8(name)) return "New app";
    return name;
}

std::string StartingSettingsFile(const std::string& id, const std::string& name) {
    std::string text = kBom;
    text +=
        "; Settings of this app, read by the runtime at every start. Every key belongs in [App].\n"
        "; Lines starting with \";\" are comments. Each commented key shows its default value:\n"
        "; remove the \";\" and change the value to set it. Numbers are decimal or 0x hexadecimal;\n"
        "; yes/no settings take 1 or 0. \"vellum-pack check\" reports what the runtime would ignore.\n"
        "[App]\n";
    for (const TSettingsKey& key : kSettingsKeys) {
        text += "\n; ";
        text += key.Meaning;
        if (key.Required) {
            text += " (required)\n";
            text += key.Name;
            text += '=';
            text += std::string_view(key.Name) == "ID" ? id : std::string_view(key.Name) == "Name" ? name : "app";
            text += '\n';
        } else {
            text += "\n;";
            text += key.Name;
            text += '=';
            text += key.Default;
            text += '\n';
        }
    }
    return text;
}

int InitCommand(const std::filesystem::path& dir, std::ostream& out, std::ostream& err) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(dir, error);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_directory(std::filesystem::status(dir, error))) {
            err << "vellum-pack: '" << PathToUtf8(dir) << "' exists and is not a folder; give a new or empty folder\n";
            return 1;
        }
        const bool empty = std::filesystem::is_empty(dir, error);
        if (error) {
            err << "vellum-pack: cannot read the folder '" << PathToUtf8(dir) << "': " << error.message() << '\n';
            return 1;
        }
        if (!empty) {
            err << "vellum-pack: the folder '" << PathToUtf8(dir)
                << "' is not empty; init writes a new project only into an empty or new folder, and nothing was "
                   "written\n";
            return 1;
        }
    }
    std::filesystem::create_directories(dir / "app");

    // The folder's own name, also for "." and paths ending in a delimiter.
    std::filesystem::path absolute = std::filesystem::absolute(dir).lexically_normal();
    if (absolute.filename().empty()) absolute = absolute.parent_path();
    const std::string folderName = PathToUtf8(absolute.filename());

    WriteNewFile(dir / "vlm.ini", StartingSettingsFile(StartingId(folderName), StartingName(folderName)));
    WriteNewFile(dir / "app" / "index.html", kIndexHtml);
    WriteNewFile(dir / "app" / "app.js", kAppJs);
    out << "wrote a new project into " << PathToUtf8(dir) << ":\n"
        << "  vlm.ini         the settings, every key listed with its default\n"
        << "  app/index.html  the start page\n"
        << "  app/app.js      its script, talking to the host through window.vlm\n"
        << "next: vellum-pack preview " << PathToUtf8(dir) << "   (or run, or build)\n";
    return 0;
}

}  // namespace vellum::pack
