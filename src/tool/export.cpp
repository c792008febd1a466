// larkmoor-tool export: every entry in one of five formats, all UTF-8.
#include <cstring>
#include <string>

#include "tool/formats.h"
#include "tool/platform.h"
#include "tool/safe_output.h"
#include "tool/tool.h"

namespace {

enum class Format { Json, Markdown, Html, Csv, Text };

constexpr const char kTitle[] = "Larkmoor journal";

std::string JoinLines(std::string_view text) {
    std::string joined;
    bool first = true;
    for (std::string_view line : TextLines(text)) {
        if (!first) joined += '\n';
        joined.append(line.data(), line.size());
        first = false;
    }
    return joined;
}

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string SingleLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

constexpr const char kHtmlStyle[] =
    "body{font-family:Georgia,'Times New Roman',serif;color:#222;background:#fff;"
    "max-width:44em;margin:2em auto;padding:0 1.2em;line-height:1.5}\n"
    "h1{font-size:2em;margin:0 0 .2em}\n"
    "nav h2,article h2{font-size:1.3em;margin:0 0 .2em}\n"
    "nav ol{padding-left:2.2em}\n"
    "nav a{color:#1d4f91;text-decoration:none}\n"
    "nav a:hover{text-decoration:underline}\n"
    ".count,.meta,.date{color:#666;font-size:.9em}\n"
    "article{border-top:1px solid #ccc;margin-top:2em;padding-top:1em}\n"
    ".text{white-space:pre-wrap;overflow-wrap:break-word}\n"
    "@page{margin:2cm}\n"
    "@media print{\n"
    "body{max-width:none;margin:0;padding:0;font-size:11pt}\n"
    "a,nav a{color:inherit;text-decoration:none}\n"
    "article{break-before:page;page-break-before:always;border-top:none;margin-top:0;"
    "padding-top:0}\n"
    "article h2{break-after:avoid;page-break-after:avoid}\n"
    "}\n";

class ExportSink final : public EntrySink {
public:
    ExportSink(Format format, const JournalCodePage& page, Output& out)
        : format_(format), page_(page), out_(out) {}

    void Begin() {
        switch (format_) {
        case Format::Json:
            out_.Write(
                "{\n  \"format\": \"larkmoor-journal\",\n  \"version\": 1,\n"
                "  \"codepage\": " +
                std::to_string(page_.number) + ",\n  \"entries\": [");
            break;
        case Format::Markdown:
            out_.Write(std::string("# ") + kTitle + "\n\n");
            break;
        case Format::Csv:
            out_.Write("\xEF\xBB\xBFrecord,date,subject,text\r\n");
            break;
        case Format::Html:
        case Format::Text:
            break;
        }
    }

    bool Add(const StoredEntry& entry) override {
        const std::string record = std::to_string(entry.record);
        const std::string date = ToUtf8(entry.date, page_);
        const std::string subject = ToUtf8(entry.subject, page_);
        const std::string text = ToUtf8(std::string_view(entry.text, entry.textLength), page_);
        switch (format_) {
        case Format::Json:
            out_.Write(std::string(count_ == 0 ? "\n" : ",\n") + "    {\"record\": " + record +
                       ", \"date\": " + JsonString(date) + ", \"subject\": " + JsonString(subject) +
                       ", \"text\": " + JsonString(text) + "}");
            break;
        case Format::Markdown:
            // The emphasis must end on a visible character: an empty date
            // (a NULL in the journal) leaves the record number alone.
            out_.Write("## " + MarkdownLine(SingleLine(subject)) + "\n\n*Record " + record +
                       (IsBlank(date) ? "" : ", " + MarkdownLine(SingleLine(date))) + "*\n\n" +
                       MarkdownText(text));
            break;
        case Format::Html: {
            const std::string anchor = "record-" + record;
            const std::string shown = HtmlEscape(subject.empty() ? "(no subject)" : subject);
            contents_ += "<li><a href=\"#" + anchor + "\">" + shown + "</a> <span class=\"date\">" +
                         HtmlEscape(date) + "</span></li>\n";
            articles_ += "<article id=\"" + anchor + "\">\n<h2>" + shown +
                         "</h2>\n<p class=\"meta\">Record " + record + " &middot; " +
                         HtmlEscape(date) + "</p>\n<div class=\"text\">" +
                         HtmlEscape(JoinLines(text)) + "</div>\n</article>\n";
            break;
        }
        case Format::Csv:
            out_.Write(record + "," + CsvField(date) + "," + CsvField(subject) + "," +
                       CsvField(text) + "\r\n");
            break;
        case Format::Text:
            out_.Write(std::string(count_ == 0 ? "" : "\n") + "#" + record + "  " +
                       SingleLine(date) + "  " + SingleLine(subject) + "\n" + JoinLines(text) +
                       "\n");
            break;
        }
        ++count_;
        return !out_.Failed();
    }

    void LeftOut(const char* storedNumber) override {
        Complain("a row whose record number \"" + ToUtf8(storedNumber, page_) +
                 "\" is not a record number the program can show was left out (see verify)");
    }

    void End() {
        switch (format_) {
        case Format::Json:
            out_.Write(count_ == 0 ? "]\n}\n" : "\n  ]\n}\n");
            break;
        case Format::Html:
            out_.Write(std::string("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
                                   "<meta charset=\"utf-8\">\n"
                                   "<meta name=\"viewport\" content=\"width=device-width, "
                                   "initial-scale=1\">\n<title>") +
                       kTitle + "</title>\n<style>\n" + kHtmlStyle +
                       "</style>\n</head>\n<body>\n<header>\n<h1>" + kTitle +
                       "</h1>\n<p class=\"count\">" + std::to_string(count_) +
                       (count_ == 1 ? " entry" : " entries") +
                       "</p>\n</header>\n<nav>\n<h2>Contents</h2>\n<ol>\n" + contents_ +
                       "</ol>\n</nav>\n<main>\n" + articles_ + "</main>\n</body>\n</html>\n");
            break;
        case Format::Markdown:
        case Format::Csv:
        case Format::Text:
            break;
        }
    }

private:
    Format format_;
    const JournalCodePage& page_;
    Output& out_;
    std::size_t count_ = 0;
    std::string contents_;  // the page's contents list and its entries,
    std::string articles_;  // put together at the end
};

struct ExportJob {
    Format format = Format::Json;
    const ToolContext* context = nullptr;
    StoreResult result = StoreResult::Done;
    StoreFailure failure;
    bool written = false;
};

bool Export(ExportJob& job, std::FILE* file) {
    Output out(file);
    ExportSink sink(job.format, job.context->page, out);
    sink.Begin();
    job.result = StoreReadAllEntries(JournalPath(*job.context).c_str(), sink,
                                     kLockWaitMilliseconds, &job.failure);
    if (job.result != StoreResult::Done) return false;
    sink.End();
    job.written = out.Finish();
    return job.written;
}

bool ExportToFile(std::FILE* file, void* context) {
    return Export(*static_cast<ExportJob*>(context), file);
}

}  // namespace

int RunExport(const ToolContext& context, const CommandLine& line) {
    static const std::pair<const char*, Format> kFormats[] = {
        {"json", Format::Json}, {"md", Format::Markdown}, {"html", Format::Html},
        {"csv", Format::Csv},   {"txt", Format::Text},
    };
    const std::string* name = line.Value("format");
    ExportJob job;
    job.context = &context;
    bool known = false;
    for (const auto& format : kFormats) {
        if (name != nullptr && *name == format.first) {
            job.format = format.second;
            known = true;
        }
    }
    if (!known) {
        Complain(
            "export needs --format json, md, html, csv or txt (see larkmoor-tool export "
            "--help)");
        return kExitUsage;
    }
    if (!JournalExists(context)) return kExitFailed;
    const std::string journal = JournalPath(context);
    if (const int access = CheckAccess(context); access != kExitDone) return access;

    const std::string* output = line.Value("output");
    std::string why;
    bool done;
    if (output != nullptr) {
        // The data folder's own files are never an export's target.
        OutputRules rules;
        rules.dataFolder = &context.dataFolder;
        done = WriteFileSafely(*output, rules, ExportToFile, &job, &why);
    } else {
        done = Export(job, nullptr);
        if (!done) why = "could not write the export: " + platform::ErrorText();
    }
    if (job.result != StoreResult::Done) {
        Complain("the journal " + journal + " could not be read: " +
                 DescribeStoreFailure(job.failure) + "; nothing was written");
        return kExitFailed;
    }
    if (!done) {
        Complain(why);
        return kExitFailed;
    }
    return kExitDone;
}
