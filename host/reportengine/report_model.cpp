#include "report_model.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace corvid::reportengine {
namespace {

using nlohmann::json;

const char* const kKinds[] = {"fields", "paragraph", "notice", "table"};

ReportBlock::Kind KindOf(const std::string& name) {
    for (int i = 0; i < 4; ++i)
        if (name == kKinds[i])
            return static_cast<ReportBlock::Kind>(i);
    throw std::runtime_error("unknown block kind " + name);
}

} // namespace

std::string ToJson(const ReportDocument& document) {
    json blocks = json::array();
    for (const ReportBlock& block : document.blocks) {
        json fields = json::array();
        for (const auto& [label, value] : block.fields)
            fields.push_back({label, value});
        blocks.push_back({{"kind", kKinds[static_cast<int>(block.kind)]},
                          {"fields", fields},
                          {"text", block.text},
                          {"headings", block.headings},
                          {"rows", block.rows}});
    }
    return json{{"title", document.title}, {"blocks", blocks}}.dump();
}

ReportDocument FromJson(const std::string& text) {
    try {
        json parsed = json::parse(text);
        ReportDocument document;
        document.title = parsed.at("title").get<std::string>();
        for (const json& item : parsed.at("blocks")) {
            ReportBlock block;
            block.kind = KindOf(item.at("kind").get<std::string>());
            for (const json& field : item.at("fields"))
                block.fields.emplace_back(field.at(0).get<std::string>(), field.at(1).get<std::string>());
            block.text = item.at("text").get<std::string>();
            block.headings = item.at("headings").get<std::vector<std::string>>();
            block.rows = item.at("rows").get<std::vector<std::vector<std::string>>>();
            document.blocks.push_back(std::move(block));
        }
        return document;
    } catch (const json::exception& e) {
        throw std::runtime_error(std::string("not a report document: ") + e.what());
    }
}

std::string EscapeHtml(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\n':
            escaped += "<br>";
            break;
        case '\r':
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string ToHtml(const ReportDocument& document) {
    std::string html = "<html><head><meta charset=\"utf-8\"><title>" + EscapeHtml(document.title) +
                       "</title></head><body><h2 align=\"center\">" + EscapeHtml(document.title) + "</h2>";
    for (const ReportBlock& block : document.blocks) {
        switch (block.kind) {
        case ReportBlock::Kind::Fields:
            html += "<table cellspacing=\"0\" cellpadding=\"2\">";
            for (const auto& [label, value] : block.fields)
                html +=
                    "<tr><td><b>" + EscapeHtml(label) + ":</b></td><td>" + EscapeHtml(value) + "</td></tr>";
            html += "</table>";
            break;
        case ReportBlock::Kind::Paragraph:
            html += "<p>" + EscapeHtml(block.text) + "</p>";
            break;
        case ReportBlock::Kind::Notice:
            html += "<p><b>" + EscapeHtml(block.text) + "</b></p>";
            break;
        case ReportBlock::Kind::Table:
            html += "<h3>" + EscapeHtml(block.text) +
                    "</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><tr>";
            for (const std::string& heading : block.headings)
                html += "<th align=\"left\">" + EscapeHtml(heading) + "</th>";
            html += "</tr>";
            for (const auto& row : block.rows) {
                html += "<tr>";
                for (const std::string& cell : row)
                    html += "<td>" + EscapeHtml(cell) + "</td>";
                html += "</tr>";
            }
            html += "</table>";
            break;
        }
    }
    return html + "</body></html>";
}

} // namespace corvid::reportengine
