#include "SimPanelDescription.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace simhost {

namespace {

constexpr std::array<std::pair<const char*, SimPanelView::Kind>, 7> kKinds{{
    {"button", SimPanelView::Kind::Button},
    {"toggle", SimPanelView::Kind::Toggle},
    {"radio", SimPanelView::Kind::Radio},
    {"menu", SimPanelView::Kind::Menu},
    {"field", SimPanelView::Kind::Field},
    {"label", SimPanelView::Kind::Label},
    {"number", SimPanelView::Kind::Number},
}};

// Splits a line into words; a quoted text is one word without its quotes. False for an unclosed quote.
// The words point into the line: a description is read whenever a controller begins, and copying each
// word was most of that.
bool words(std::string_view line, std::vector<std::string_view>& out)
{
    out.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            const std::size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos)
                return false;
            out.push_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        out.push_back(line.substr(i, end - i));
        i = end;
    }
    return true;
}

bool fail(std::string* error, int number, const std::string& why)
{
    if (error)
        *error = "line " + std::to_string(number) + ": " + why;
    return false;
}

} // namespace

const char* viewKindName(SimPanelView::Kind kind)
{
    for (const auto& [name, k] : kKinds)
        if (k == kind)
            return name;
    return "?";
}

bool readPanelDescriptions(const std::string& text, std::vector<SimPanelDescription>& panels, std::string* error)
{
    int number = 0;
    std::vector<SimPanelDescription> read;
    std::vector<std::string_view> w;
    // Lines as std::getline gives them: a last line without its line end counts, nothing after a final one.
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!words(line, w))
            return fail(error, number, "a quote is not closed");
        if (w.empty() || (!w[0].empty() && w[0][0] == '#'))
            continue;
        if (w[0] == "panel") {
            if (w.size() != 3)
                return fail(error, number, "expected: panel <name> \"<title>\"");
            read.push_back({std::string(w[1]), std::string(w[2]), {}, {}});
            continue;
        }
        if (read.empty())
            return fail(error, number, "a view before any panel");
        if (w[0] == "shows") {
            if (w.size() != 2)
                return fail(error, number, "expected: shows <parameter>");
            read.back().viewSelector = w[1];
            continue;
        }
        SimPanelView view;
        bool known = false;
        for (const auto& [name, kind] : kKinds)
            if (w[0] == name) {
                view.kind = kind;
                known = true;
            }
        if (!known)
            return fail(error, number, "unknown view kind \"" + std::string(w[0]) + "\"");
        if (w.size() != 4)
            return fail(error, number, "expected: <kind> <parameter> <shown in> \"<caption>\"");
        view.parameter = w[1];
        if (w[2] != "*") {
            if (w[2].size() != 1 || w[2][0] < '0' || w[2][0] > '9')
                return fail(error, number, "shown in: * or a digit");
            view.shownIn = w[2][0] - '0';
        }
        view.caption = w[3];
        read.back().views.push_back(std::move(view));
    }
    if (read.empty())
        return fail(error, number, "no panel");
    for (SimPanelDescription& panel : read)
        panels.push_back(std::move(panel));
    return true;
}

} // namespace simhost
