// larkmoor-tool search: the entries whose subject or text holds a piece of
// text, in any letter case by the code page's own letters.
#include <string>

#include "tool/formats.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

constexpr std::size_t kExcerptSide = 40;  // characters shown on each side of a match
constexpr std::size_t kWordSlack = 12;    // how far an excerpt's ends move to a word break

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool HoldsWords(std::u16string_view text) {
    for (char16_t c : text)
        if (!IsSpace(c)) return true;
    return false;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The words around [at, at + length) of text, on one line, in UTF-8, with an
// ellipsis where text was left out.
std::string Excerpt(std::u16string_view text, std::size_t at, std::size_t length) {
    std::size_t start = at > kExcerptSide ? at - kExcerptSide : 0;
    std::size_t end =
        at + length + kExcerptSide < text.size() ? at + length + kExcerptSide : text.size();
    // Begin and end at word breaks where one is near.
    for (std::size_t i = start; start > 0 && i < start + kWordSlack && i < at; ++i) {
        if (IsSpace(text[i])) {
            start = i + 1;
            break;
        }
    }
    for (std::size_t i = end; end < text.size() && i > end - kWordSlack && i > at + length; --i) {
        if (IsSpace(text[i - 1])) {
            end = i - 1;
            break;
        }
    }
    // Never half a character.
    if (start > 0 && start < text.size() && IsLowSurrogate(text[start])) ++start;
    if (end > start && end < text.size() && IsLowSurrogate(text[end])) ++end;
    std::u16string excerpt;
    bool space = false;
    for (std::size_t i = start; i < end; ++i) {
        if (IsSpace(text[i])) {
            space = !excerpt.empty();
            continue;
        }
        if (space) excerpt += u' ';
        space = false;
        excerpt += text[i];
    }
    constexpr const char kEllipsis[] = "\u2026";
    return (HoldsWords(text.substr(0, start)) ? kEllipsis : "") + Utf8FromUtf16(excerpt) +
           (HoldsWords(text.substr(end)) ? kEllipsis : "");
}

class SearchSink final : public EntrySink {
public:
    SearchSink(const JournalCodePage& page, std::string_view pattern, bool json, Output& out)
        : page_(page), finder_(page, pattern), json_(json), out_(out) {}

    bool Add(const StoredEntry& entry) override {
        const std::string_view text(entry.text, entry.textLength);
        std::size_t at = 0;
        std::size_t length = 0;
        const bool inText = finder_.Find(text, &at, &length);
        if (!inText && !finder_.Find(entry.subject, &at, &length)) return true;
        // Around the first match in the text; the text's beginning when only
        // the subject holds the search text.
        const std::string excerpt =
            Excerpt(DecodeJournalText(page_, text), inText ? at : 0, inText ? length : 0);
        const std::string record = std::to_string(entry.record);
        const std::string date = ToUtf8(entry.date, page_);
        const std::string subject = ToUtf8(entry.subject, page_);
        if (json_) {
            out_.Write(std::string(count_ == 0 ? "\n" : ",\n") + "    {\"record\": " + record +
                       ", \"date\": " + JsonString(date) + ", \"subject\": " + JsonString(subject) +
                       ", \"excerpt\": " + JsonString(excerpt) + "}");
        } else {
            out_.Write(record + "  " + date + "  " + subject + "\n    " + excerpt + "\n");
        }
        ++count_;
        return !out_.Failed();
    }

    void LeftOut(const char*) override {}

    std::size_t Count() const { return count_; }

private:
    const JournalCodePage& page_;
    TextFinder finder_;
    bool json_;
    Output& out_;
    std::size_t count_ = 0;
};

}  // namespace

int RunSearch(const ToolContext& context, const CommandLine& line) {
    const std::string& wanted = line.positional[0];
    if (wanted.empty()) {
        Complain("search needs a text to look for");
        return kExitUsage;
    }
    if (!JournalExists(context)) return kExitFailed;
    const std::string journal = JournalPath(context);
    if (const int access = CheckAccess(context); access != kExitDone) return access;

    const TypedText pattern = EncodeJournalText(context.page, Utf16FromUtf8(wanted));
    if (!pattern.refused.empty()) {
        Complain("no entry can hold " + DescribeCharacters(pattern.refused) + ": code page " +
                 std::to_string(context.page.number) + " has no such character");
        return kExitFailed;
    }
    const bool json = line.Has("json");
    Output out(nullptr);
    if (json)
        out.Write("{\n  \"format\": \"larkmoor-search\",\n  \"version\": 1,\n  \"text\": " +
                  JsonString(wanted) + ",\n  \"matches\": [");
    SearchSink sink(context.page, pattern.bytes, json, out);
    StoreFailure failure;
    if (StoreReadAllEntries(journal.c_str(), sink, kLockWaitMilliseconds, &failure) !=
        StoreResult::Done) {
        Complain("the journal " + journal + " could not be read: " + DescribeStoreFailure(failure));
        return kExitFailed;
    }
    if (json)
        out.Write(sink.Count() == 0 ? "]\n}\n" : "\n  ]\n}\n");
    else
        out.Write(std::to_string(sink.Count()) + (sink.Count() == 1 ? " entry" : " entries") +
                  " found.\n");
    if (!out.Finish()) {
        Complain("could not write the results: " + platform::ErrorText());
        return kExitFailed;
    }
    return sink.Count() > 0 ? kExitDone : kExitFailed;
}
