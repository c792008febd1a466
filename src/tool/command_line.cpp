// larkmoor-tool: the command line, the help texts and the dispatch to the
// commands: see tool.h.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "product_version.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

constexpr char kProgramName[] = "larkmoor-tool";

struct OptionSpec {
    const char* name;
    bool takesValue;
};

struct CommandSpec {
    const char* name;
    int (*run)(const ToolContext&, const CommandLine&);
    std::vector<OptionSpec> options;
    std::size_t minArguments;
    std::size_t maxArguments;
    const char* usage;
    const char* help;
};

const std::vector<OptionSpec> kGlobalOptions = {
    {"data-folder", true}, {"password-stdin", false}, {"codepage", true},
    {"help", false},       {"version", false},
};

const char kGeneralHelp[] =
    "Usage: larkmoor-tool [--data-folder DIR] [--password-stdin] [--codepage N]\n"
    "                     COMMAND [OPTIONS]\n"
    "\n"
    "Works on a Larkmoor data folder (journal, settings, prompts) beside the program:\n"
    "exports, imports, searches, backs up, restores and verifies.\n"
    "\n"
    "Commands:\n"
    "  export --format json|md|html|csv|txt [--output FILE]\n"
    "                        write every entry, oldest first\n"
    "  import --format json FILE [--dry-run]\n"
    "                        add the entries of a json export, all or nothing\n"
    "  search TEXT [--json]  the entries whose subject or text holds TEXT\n"
    "  backup [--to DIR] [--keep N]\n"
    "                        a safe copy of the journal, settings and prompts\n"
    "  restore BACKUP-FOLDER put a backup's files back in place\n"
    "  verify                check the journal, settings and prompts files\n"
    "\n"
    "Options, before or after the command:\n"
    "  --data-folder DIR     the data folder; on Windows the program's own\n"
    "                        (%APPDATA%\\larkmoor) when not given, elsewhere required\n"
    "  --password-stdin      read the password from the first line of standard input\n"
    "  --codepage N          the ANSI code page of the journal's texts, 1250 to 1258;\n"
    "                        when not given, the system's on Windows (any code\n"
    "                        page, converted as Larkmoor converts), 1252 elsewhere\n"
    "  --help                this text; after a command, that command's help\n"
    "  --version             the version\n"
    "\n"
    "export, search, import and restore ask for the password (it is not shown as\n"
    "it is typed) when automatic login is off in the settings, as Larkmoor does.\n"
    "backup and verify need no password. Everything written is UTF-8.\n"
    "\n"
    "Exit codes:\n"
    "  0  done (verify: sound; search: found)\n"
    "  1  failed (verify: findings; search: nothing found)\n"
    "  2  usage error\n"
    "  3  no password given, or a wrong one\n";

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        {"export",
         RunExport,
         {{"format", true}, {"output", true}},
         0,
         0,
         "export --format json|md|html|csv|txt [--output FILE]",
         "Writes every entry (record number, date, subject, text) in record number\n"
         "order, the order in which they were written, to FILE or standard output.\n"
         "  json  the interchange and backup format; import reads it back\n"
         "  md    one Markdown document\n"
         "  html  one self-contained page; print it from a browser for a PDF\n"
         "  csv   RFC 4180 with a header row, UTF-8 with a byte-order mark\n"
         "  txt   plain text\n"
         "A FILE is written under a new temporary name beside it and then put in place;\n"
         "the data folder's own files, links, FIFOs, devices and read-only files are\n"
         "refused, and a file replaced keeps its permissions.\n"},
        {"import",
         RunImport,
         {{"format", true}, {"dry-run", false}},
         1,
         1,
         "import --format json FILE [--dry-run]",
         "Adds the entries of FILE (a json export, or a file of the same shape with\n"
         "\"version\": 1) as new entries, all in one transaction: all are added or\n"
         "none. FILE is a regular file of at most 256 MiB; a name given twice in one\n"
         "object is refused with its line and column. Each entry is checked as the\n"
         "Entries dialog checks it: a subject of 3 to 779 characters, a text of 1 to\n"
         "32,766, only characters the code page holds. Record numbers are given by the\n"
         "journal; dates are kept and must be real times (YYYY-MM-DD hh:mm:ss). A data\n"
         "folder without a journal gets a new one, put in place only whole.\n"
         "--dry-run does everything, writing included, and then takes it back.\n"},
        {"search",
         RunSearch,
         {{"json", false}},
         1,
         1,
         "search TEXT [--json]",
         "Lists the entries whose subject or text holds TEXT, in any letter case (by\n"
         "the code page's own letters): record, date, subject and the words around\n"
         "the first match. --json writes the same as a JSON document.\n"
         "Exit code 1 when no entry holds TEXT.\n"},
        {"backup",
         RunBackup,
         {{"to", true}, {"keep", true}},
         0,
         0,
         "backup [--to DIR] [--keep N]",
         "Copies the journal (with SQLite's online backup, safe while Larkmoor runs),\n"
         "the settings file and the prompts file into a new folder\n"
         "larkmoor-YYYY-MM-DD-hhmmss under DIR (default: backups in the data folder).\n"
         "The copy is checked before it gets its name, so a backup folder is always\n"
         "whole. --keep N then deletes the oldest of the backups larkmoor-tool made\n"
         "beyond the newest N (never a folder holding other files). Prints the folder\n"
         "made.\n"},
        {"restore",
         RunRestore,
         {},
         1,
         1,
         "restore BACKUP-FOLDER",
         "Checks the backup, then puts its journal, settings and prompts files in\n"
         "place of the data folder's, all or none. The journal's write lock is held\n"
         "from before the files replaced are kept (in a folder\n"
         "before-restore-YYYY-MM-DD-hhmmss in the data folder) until the backup's\n"
         "journal is in place, so no save is lost. Refused while Larkmoor runs or\n"
         "another program holds the journal locked.\n"},
        {"verify",
         RunVerify,
         {},
         0,
         0,
         "verify",
         "Checks the journal (SQLite's integrity check, the program's table, every\n"
         "row as the program reads it), the settings file and the prompts file.\n"
         "Prints one line per finding; exit code 0 when all is sound, 1 otherwise.\n"},
    };
    return commands;
}

void Usage(const std::string& message) {
    Complain(message + " (see larkmoor-tool --help)");
}

const OptionSpec* FindOption(const std::vector<OptionSpec>& options, const std::string& name) {
    for (const OptionSpec& option : options)
        if (name == option.name) return &option;
    return nullptr;
}

bool ParseNumber(const std::string& text, long long low, long long high, long long* value) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    *value = std::strtoll(text.c_str(), nullptr, 10);
    return *value >= low && *value <= high;
}

std::string CommandHelp(const CommandSpec& command) {
    return std::string("Usage: larkmoor-tool [GLOBAL OPTIONS] ") + command.usage + "\n\n" +
           command.help + "\nGlobal options and exit codes: larkmoor-tool --help\n";
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
    const CommandSpec* command = nullptr;
    CommandLine line;
    CommandLine global;
    bool onlyArguments = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool option = !onlyArguments && argument.size() > 1 && argument[0] == '-';
        if (!option) {
            if (command != nullptr) {
                line.positional.push_back(argument);
                continue;
            }
            for (const CommandSpec& known : Commands())
                if (argument == known.name) command = &known;
            if (command == nullptr) {
                Usage("unknown command \"" + argument + "\"");
                return kExitUsage;
            }
            continue;
        }
        if (argument == "--") {
            onlyArguments = true;
            continue;
        }
        std::string name = argument == "-h" ? "help" : argument.substr(argument[1] == '-' ? 2 : 1);
        std::string value;
        bool hasValue = false;
        const std::size_t equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        const OptionSpec* optionSpec = FindOption(kGlobalOptions, name);
        CommandLine* target = &global;
        if (optionSpec == nullptr && command != nullptr) {
            optionSpec = FindOption(command->options, name);
            target = &line;
        }
        if (optionSpec == nullptr || (argument.compare(0, 2, "--") != 0 && argument != "-h")) {
            Usage("unknown option \"" + argument + "\"" +
                  (command == nullptr ? "" : std::string(" for ") + command->name));
            return kExitUsage;
        }
        if (optionSpec->takesValue && !hasValue) {
            if (i + 1 >= arguments.size()) {
                Usage("--" + name + " needs a value");
                return kExitUsage;
            }
            value = arguments[++i];
        } else if (!optionSpec->takesValue && hasValue) {
            Usage("--" + name + " takes no value");
            return kExitUsage;
        }
        target->options.emplace_back(name, value);
    }

    if (global.Has("help")) {
        if (command == nullptr)
            platform::WriteOut(kGeneralHelp);
        else
            platform::WriteOut(CommandHelp(*command));
        return kExitDone;
    }
    if (global.Has("version")) {
        platform::WriteOut(std::string(kProgramName) + " " + LARKMOOR_VERSION_TEXT + "\n");
        return kExitDone;
    }
    if (command == nullptr) {
        Usage("no command given");
        return kExitUsage;
    }
    if (line.positional.size() < command->minArguments ||
        line.positional.size() > command->maxArguments) {
        Usage(std::string("usage: larkmoor-tool ") + command->usage);
        return kExitUsage;
    }

    ToolContext context;
    if (const std::string* folder = global.Value("data-folder"))
        context.dataFolder = *folder;
    else
        context.dataFolder = platform::DefaultDataFolder();
    if (context.dataFolder.empty()) {
        Usage("--data-folder DIR is required here");
        return kExitUsage;
    }
    while (context.dataFolder.size() > 1 &&
           (context.dataFolder.back() == '/' || context.dataFolder.back() == '\\'))
        context.dataFolder.pop_back();
    context.passwordStdin = global.Has("password-stdin");

    if (const std::string* given = global.Value("codepage")) {
        long long number = 0;
        const CodePage* table =
            ParseNumber(*given, 1, 65535, &number) ? FindCodePage(static_cast<int>(number)) : nullptr;
        if (table == nullptr) {
            Usage("--codepage must be one of 1250 to 1258");
            return kExitUsage;
        }
        context.page = {table->number, table};
    } else if (const int system = platform::SystemCodePage(); system != 0) {
        // The system converts, exactly as for the program: any code page.
        context.page = {system, nullptr};
    } else {
        context.page = {1252, FindCodePage(1252)};
    }
    return command->run(context, line);
}
