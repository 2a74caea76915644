#include "CommandLine.h"

#include "ColorArgument.h"
#include "Commands.h"
#include "FileWalk.h"
#include "Jobs.h"
#include "OverwritePrompt.h"
#include "Terminal.h"

#include <htmlfile/text/Encodings.h>
#include <htmlfile/version.h>

#include <CLI/CLI.hpp>

#include <sstream>

namespace htmltopic {
namespace {

// The option texts of `set` (and `new`), kept as typed until they are
// checked and turned into an EditRequest.
struct EditArguments {
    std::optional<std::string> title, styleSheet, background, watermark, bgSound, loop;
    std::array<std::optional<std::string>, kBodyColorCount> colors;
    bool noStyleSheet = false, noBackground = false, noBgSound = false;
};

struct Arguments {
    ShowOptions show;
    SetOptions set;
    NewOptions create;
    ObjectsOptions objects;
    MapsOptions maps;
    CheckOptions check;
    KeywordsOptions keywords;
    EditArguments edits;
    std::string templateName = "standard";
    bool yes = false;
    bool no = false;
};

const CLI::Validator kColorValidator(
    [](std::string& text) {
        return ParseColorArgument(text) ? std::string()
                                        : "unknown colour '" + text + "' (use a colour name, #rrggbb or none)";
    },
    "");

const CLI::Validator kLoopValidator(
    [](std::string& text) {
        if (text == "infinite") return std::string();
        if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos && text.size() < 10 &&
            std::stoi(text) > 0)
            return std::string();
        return "loop must be a count of 1 or more, or infinite, not '" + text + "'";
    },
    "");

// An encoding for files that declare the wrong one: any label of the WHATWG
// Encoding Standard's table; an unknown one is a usage error.
void AddEncodingOption(CLI::App* command, std::string& encoding)
{
    command->add_option("--encoding", encoding, "Read the files in this encoding, whatever they declare")
        ->type_name("LABEL")
        ->check(CLI::Validator(
            [](std::string& label) {
                return htmlfile_text::EncodingForLabel(label) ? std::string()
                                                              : "unknown encoding '" + label + "' (use a WHATWG encoding label)";
            },
            "", ""));
}

void AddJobsOption(CLI::App* command, unsigned& jobs)
{
    command->add_option("-j,--jobs", jobs, "Files handled at the same time (default: one per core)")
        ->check(CLI::Range(1u, 1024u).name(""))
        ->type_name("N");
}

void AddRewriteAllOption(CLI::App* command, bool& rewriteAll)
{
    command->add_flag("--rewrite-all", rewriteAll,
                      "Write every recorded element in the library's own form, changed or not (by default only "
                      "what changed is written; everything else keeps its bytes)");
}

void AddAnswerOptions(CLI::App* command, Arguments& args)
{
    CLI::Option* yes = command->add_flag("--yes", args.yes,
                                         "Save a file that changed on disk since it was read anyway, with the "
                                         "changes made on top of its new text");
    CLI::Option* no = command->add_flag("--no", args.no, "Never save such a file; report it (the default without "
                                                         "a terminal)");
    yes->excludes(no);
}

void AddShow(CLI::App& app, Arguments& args)
{
    CLI::App* show = app.add_subcommand("show", "Print what topics record");
    show->add_option("FILE", args.show.files, "Topic files, or folders: every .htm/.html file below them")->required();
    show->add_flag("--json", args.show.json, "One JSON object per file, one per line");
    AddJobsOption(show, args.show.jobs);
    AddEncodingOption(show, args.show.encoding);
}

void AddEditOptions(CLI::App* command, EditArguments& edits)
{
    command->add_option("--title", edits.title, "Title text")->type_name("TEXT");
    CLI::Option* styleSheet =
        command->add_option("--stylesheet", edits.styleSheet, "Style sheet link (href)")->type_name("HREF");
    styleSheet->excludes(command->add_flag("--no-stylesheet", edits.noStyleSheet, "Remove the style sheet link"));
}

void AddSet(CLI::App& app, Arguments& args)
{
    CLI::App* set = app.add_subcommand("set", "Change properties of topics and save them");
    set->add_option("FILE", args.set.files, "Topic files, or folders: every .htm/.html file below them")->required();
    EditArguments& edits = args.edits;
    AddEditOptions(set, edits);
    for (size_t i = 0; i < kBodyColorCount; ++i) {
        std::string name = BodyColorName(static_cast<BodyColor>(i));
        set->add_option("--" + name, edits.colors[i], "Body " + name + " colour: a name, #rrggbb, or none to remove it")
            ->check(kColorValidator)
            ->type_name("COLOR");
    }
    CLI::Option* background =
        set->add_option("--background", edits.background, "Background image, as written in the topic")
            ->type_name("PATH");
    background->excludes(set->add_flag("--no-background", edits.noBackground, "Remove the background image"));
    set->add_option("--watermark", edits.watermark, "Keep the background image fixed while scrolling")
        ->check(CLI::IsMember({"on", "off"}).description(""))
        ->type_name("on|off");
    CLI::Option* bgSound =
        set->add_option("--bgsound", edits.bgSound, "Background sound, as written in the topic")->type_name("SRC");
    bgSound->excludes(set->add_flag("--no-bgsound", edits.noBgSound, "Remove the background sound"));
    set->add_option("--loop", edits.loop, "How often the background sound plays")
        ->check(kLoopValidator)
        ->type_name("N|infinite")
        ->needs(bgSound);
    set->add_option("-o,--output", args.set.output, "Write the changed topic here instead (one FILE only)")
        ->type_name("OUT");
    AddJobsOption(set, args.set.jobs);
    AddEncodingOption(set, args.set.encoding);
    AddRewriteAllOption(set, args.set.rewriteAll);
    AddAnswerOptions(set, args);
}

void AddNew(CLI::App& app, Arguments& args)
{
    CLI::App* create = app.add_subcommand("new", "Create a topic from a built-in template");
    create->add_option("OUT", args.create.output, "The new topic file")->required();
    create->add_option("--template", args.templateName, "standard (title, style sheet, heading), bare, or titled")
        ->check(CLI::IsMember({"standard", "bare", "titled"}).description(""))
        ->type_name("NAME");
    AddEditOptions(create, args.edits);
    create->add_flag("--force", args.create.force, "Overwrite OUT when it exists");
}

void AddObjects(CLI::App& app, Arguments& args)
{
    CLI::App* objects = app.add_subcommand("objects", "List the embedded objects of a topic, or delete one");
    objects->add_option("FILE", args.objects.file, "Topic file")->required();
    CLI::Option* remove =
        objects->add_option("--delete", args.objects.deleteId, "Delete the object with this id and save")
            ->type_name("ID");
    remove->excludes(objects->add_flag("--json", args.objects.json, "The list as one JSON object"));
    AddRewriteAllOption(objects, args.objects.rewriteAll);
    AddEncodingOption(objects, args.objects.encoding);
    AddAnswerOptions(objects, args);
}

void AddMaps(CLI::App& app, Arguments& args)
{
    CLI::App* maps = app.add_subcommand("maps", "List the image maps of a topic with their areas");
    maps->add_option("FILE", args.maps.file, "Topic file")->required();
    maps->add_flag("--json", args.maps.json, "The list as one JSON object");
    AddEncodingOption(maps, args.maps.encoding);
}

void AddCheck(CLI::App& app, Arguments& args)
{
    CLI::App* check = app.add_subcommand("check", "Report broken links, images, bookmarks and maps of a project");
    check->add_option("PATH", args.check.files, "Topic files, or folders: every topic, .hhc and .hhk file below them")
        ->required();
    check->add_flag("--json", args.check.json, "One JSON object per problem, then a summary object");
    check->add_flag("--case-sensitive", args.check.caseSensitive,
                    "A file found only with other letter case is an error, not a warning");
    AddJobsOption(check, args.check.jobs);
    AddEncodingOption(check, args.check.encoding);
}

void AddKeywords(CLI::App& app, Arguments& args)
{
    CLI::App* keywords = app.add_subcommand("keywords", "Print the index the topics' keyword objects make");
    keywords->add_option("PATH", args.keywords.files, "Topic files, or folders: every .htm/.html file below them")
        ->required();
    keywords->add_flag("--json", args.keywords.json, "One JSON object per keyword (or topic), one per line");
    keywords->add_flag("--by-topic", args.keywords.byTopic, "Each topic with its keywords instead");
    AddJobsOption(keywords, args.keywords.jobs);
    AddEncodingOption(keywords, args.keywords.encoding);
}

int UsageError(const std::string& message)
{
    Terminal::Instance().Write({}, "htmltopic: " + message + "\nRun with --help for more information.\n");
    return kExitUsage;
}

std::optional<COLORREF> ColorOrNothing(const std::optional<std::string>& text)
{
    return text ? ParseColorArgument(*text) : std::nullopt;
}

EditRequest MakeEditRequest(const EditArguments& edits)
{
    EditRequest request;
    request.title = edits.title;
    request.styleSheet = edits.styleSheet;
    request.removeStyleSheet = edits.noStyleSheet;
    for (size_t i = 0; i < kBodyColorCount; ++i) request.colors[i] = ColorOrNothing(edits.colors[i]);
    request.background = edits.background;
    request.removeBackground = edits.noBackground;
    if (edits.watermark) request.watermark = *edits.watermark == "on";
    request.bgSound = edits.bgSound;
    if (edits.loop) request.bgSoundLoop = *edits.loop == "infinite" ? -1 : std::stoi(*edits.loop);
    request.removeBgSound = edits.noBgSound;
    return request;
}

TopicTemplate TemplateNamed(const std::string& name)
{
    if (name == "bare") return TopicTemplate::Bare;
    if (name == "titled") return TopicTemplate::Titled;
    return TopicTemplate::Standard;
}

OverwriteAnswer AnswerFrom(const Arguments& args)
{
    if (args.yes) return OverwriteAnswer::Yes;
    if (args.no) return OverwriteAnswer::No;
    return OverwriteAnswer::AskOrNo;
}

unsigned JobsOrDefault(unsigned jobs)
{
    return jobs ? jobs : DefaultJobCount();
}

int RunSetCommand(Arguments& args)
{
    SetOptions& options = args.set;
    options.edits = MakeEditRequest(args.edits);
    if (!options.output.empty()) {
        if (options.files.size() != 1 || IsFolder(options.files[0]))
            return UsageError("set: -o/--output takes exactly one FILE, not a folder");
    }
    else if (options.edits.IsEmpty()) {
        return UsageError("set: nothing to change; give at least one property option (see set --help)");
    }
    options.jobs = JobsOrDefault(options.jobs);
    return RunSet(options);
}

int RunChosenCommand(CLI::App& app, Arguments& args)
{
    InstallOverwritePrompt(AnswerFrom(args));
    if (app.got_subcommand("show")) {
        args.show.jobs = JobsOrDefault(args.show.jobs);
        return RunShow(args.show);
    }
    if (app.got_subcommand("set")) return RunSetCommand(args);
    if (app.got_subcommand("new")) {
        args.create.templateKind = TemplateNamed(args.templateName);
        args.create.edits = MakeEditRequest(args.edits);
        return RunNew(args.create);
    }
    if (app.got_subcommand("objects")) return RunObjects(args.objects);
    if (app.got_subcommand("check")) {
        args.check.jobs = JobsOrDefault(args.check.jobs);
        return RunCheck(args.check);
    }
    if (app.got_subcommand("keywords")) {
        args.keywords.jobs = JobsOrDefault(args.keywords.jobs);
        return RunKeywords(args.keywords);
    }
    return RunMaps(args.maps);
}

} // namespace

int RunCommandLine(int argc, char** argv)
{
    CLI::App app{"Reads and edits HTML help topics.", "htmltopic"};
    // "/abs/x.htm" is a file, not an option, on every system (subcommands
    // take this setting from the app when they are added).
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("htmltopic ") + HTMLFILE_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 every file handled, 1 some file failed (the others were handled), 2 usage error.");
    Arguments args;
    AddShow(app, args);
    AddSet(app, args);
    AddNew(app, args);
    AddObjects(app, args);
    AddMaps(app, args);
    AddCheck(app, args);
    AddKeywords(app, args);
    try {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& error) {
        // Help and version end the parse with status 0 and are printed by
        // the parser; anything else is a usage error.
        if (error.get_exit_code() == 0) {
            std::ostringstream out, err;
            const int status = app.exit(error, out, err);
            Terminal::Instance().Write(out.str(), err.str());
            return status;
        }
        return UsageError(error.what());
    }
    return RunChosenCommand(app, args);
}

} // namespace htmltopic
