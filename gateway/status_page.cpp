#include "gateway/status_page.h"

#include <charconv>

#include <nlohmann/json.hpp>

namespace {

// Everything the page needs comes inline: its answer's Content-Security-Policy
// allows no other source, and a page for a program on the user's own machine
// has no business loading anything from outside.
const char kStyle[] =
    "body{font-family:system-ui,'Segoe UI',Arial,sans-serif;margin:1.5em;color:#1b1b1b;"
    "background:#fff}\n"
    "h1{font-size:1.4em;margin:0 0 .4em}\n"
    "h2{font-size:1.1em;margin:1.5em 0 .4em}\n"
    ".headline{font-size:1.1em;padding:.5em .8em;border-left:6px solid #2e7d32;"
    "background:#e8f5e9}\n"
    ".headline.alert{border-color:#c62828;background:#fdecea}\n"
    "table{border-collapse:collapse}\n"
    "th,td{text-align:left;padding:.3em .8em;border-bottom:1px solid #ddd;vertical-align:top}\n"
    "th{white-space:nowrap}\n"
    "td.number{text-align:right;font-variant-numeric:tabular-nums}\n"
    ".state{font-weight:bold;font-size:.85em;padding:.1em .5em;border-radius:3px;color:#fff}\n"
    ".state.answering{background:#2e7d32}.state.resting{background:#b26a00}\n"
    ".state.failing{background:#c62828}.state.idle{background:#757575}\n"
    "tr.stale{background:#fff4d6}tr.failing{background:#fdecea}\n"
    ".mark{font-weight:bold;color:#b00020}\n"
    ".quiet{color:#666}\n"
    "pre{background:#f5f5f5;padding:.6em;overflow-x:auto;tab-size:4}\n";

std::string number_text(double value) {
    char text[32];
    auto result = std::to_chars(text, text + sizeof(text), value);
    return std::string(text, result.ptr);
}

// Coarse on purpose: at a glance "3 min" says more than "187 s".
std::string age_text(uint32_t seconds) {
    if (seconds < 60) return std::to_string(seconds) + " s";
    if (seconds < 3600) return std::to_string(seconds / 60) + " min";
    if (seconds < 86400) {
        return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) +
               " min";
    }
    return std::to_string(seconds / 86400) + " d " + std::to_string(seconds % 86400 / 3600) + " h";
}

std::string quote_share_text(const SourceStatus &source) {
    if (source.answers_last_hour == 0) return "no answers";
    unsigned long long percent = (source.quotes_last_hour * 100ULL + source.answers_last_hour / 2) /
                                 source.answers_last_hour;
    return std::to_string(source.quotes_last_hour) + " of " +
           std::to_string(source.answers_last_hour) + " (" + std::to_string(percent) + " %)";
}

// What the state alone means, in words; escaped.
std::string source_state_details(const SourceStatus &source, const std::string &last_success) {
    switch (source.state) {
    case SourceState::answering:
        return last_success;
    case SourceState::resting: {
        std::string details = "until " + html_escaped(source.resting_until);
        if (!source.last_error.empty()) details += " after " + html_escaped(source.last_error);
        return details;
    }
    case SourceState::failing:
        return html_escaped(source.last_error) + ", since " + html_escaped(source.failing_since) +
               "; " + last_success;
    case SourceState::idle:
        break;
    }
    return "not asked yet";
}

// What the state means for this source, and whether its budget is spent;
// escaped.
std::string source_details(const SourceStatus &source) {
    std::string last_success = source.last_success.empty()
                                   ? std::string("no success yet")
                                   : "last success at " + html_escaped(source.last_success);
    std::string details = source_state_details(source, last_success);
    if (!source.budget_back_at.empty()) {
        details += "; request budget spent until " + html_escaped(source.budget_back_at);
    }
    return details;
}

std::string sources_table(const std::vector<SourceStatus> &sources) {
    std::string html =
        "<table id=\"sources\">\n<tr><th>Source</th><th>State</th><th>Details</th>"
        "<th>Answers with a quote, last hour</th></tr>\n";
    for (const SourceStatus &source : sources) {
        const char *word = source_state_word(source.state);
        html += "<tr><td>" + html_escaped(source.name) + "</td><td><span class=\"state " + word +
                "\">" + word + "</span></td><td>" + source_details(source) +
                "</td><td class=\"number\">" + quote_share_text(source) + "</td></tr>\n";
    }
    return html + "</table>\n";
}

std::string age_mark(const SymbolStatus &symbol) {
    if (symbol.final_quote) return " <span class=\"quiet\">final, market closed</span>";
    return symbol.stale ? " <span class=\"mark\">stale</span>" : "";
}

std::string symbol_row(const SymbolStatus &symbol) {
    std::string row_class = symbol.stale ? "stale" : "";
    if (symbol.failing) row_class += row_class.empty() ? "failing" : " failing";
    std::string html = row_class.empty() ? "<tr>" : "<tr class=\"" + row_class + "\">";
    html += "<td>" + html_escaped(symbol.symbol) + "</td>";
    if (symbol.has_quote) {
        html += "<td class=\"number\">" + number_text(symbol.last_sale) +
                "</td><td class=\"number\">" + number_text(symbol.previous_close) + "</td><td>" +
                html_escaped(symbol.source) + "</td><td class=\"number\">" +
                age_text(symbol.age_seconds) + age_mark(symbol) + "</td>";
    } else {
        html += "<td colspan=\"4\" class=\"quiet\">no quote served</td>";
    }
    std::string outcome = html_escaped(symbol.last_outcome);
    if (symbol.failing) outcome = "<span class=\"mark\">" + outcome + "</span>";
    return html + "<td>" + outcome + "</td></tr>\n";
}

std::string symbols_table(const std::vector<SymbolStatus> &symbols) {
    if (symbols.empty())
        return "<p class=\"quiet\">No symbol asked for in the last 24 hours.</p>\n";
    std::string html =
        "<table id=\"symbols\">\n<tr><th>Symbol</th><th>Last sale</th><th>Previous close</th>"
        "<th>From</th><th>Age</th><th>Last outcome</th></tr>\n";
    for (const SymbolStatus &symbol : symbols) html += symbol_row(symbol);
    return html + "</table>\n";
}

// Newest first on the page, where the eye starts reading.
std::string requests_block(const std::vector<std::string> &lines) {
    if (lines.empty()) return "<p class=\"quiet\">No request yet.</p>\n";
    std::string html = "<pre id=\"requests\">";
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        html += html_escaped(*line) + "\n";
    }
    return html + "</pre>\n";
}

std::string joined(const std::vector<std::string> &words) {
    std::string text;
    for (const std::string &word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

std::string fact_row(const char *label, const std::string &escaped_value) {
    return std::string("<tr><th>") + label + "</th><td>" + escaped_value + "</td></tr>\n";
}

std::string facts_table(const GatewayStatus &status) {
    return "<table id=\"gateway\">\n" + fact_row("Version", html_escaped(status.version)) +
           fact_row("Port", std::to_string(status.port)) +
           fact_row("Started", html_escaped(status.started_at)) +
           fact_row("Cache period", std::to_string(status.cache_seconds) + " s") +
           fact_row("Source order", html_escaped(joined(status.source_order))) +
           fact_row("Log file", status.log_file.empty() ? "none" : html_escaped(status.log_file)) +
           "</table>\n";
}

// One sentence on top that answers "are my quotes coming?".
std::string headline(const GatewayStatus &status) {
    const SourceStatus *answering = nullptr;
    bool any_asked = false;
    for (const SourceStatus &source : status.sources) {
        if (source.state != SourceState::idle) any_asked = true;
        if (source.state == SourceState::answering && answering == nullptr) answering = &source;
    }
    if (!any_asked) return "<p class=\"headline\">No quote asked for yet.</p>\n";
    if (answering == nullptr) {
        return "<p class=\"headline alert\">No source answers at the moment: Morvane Quote keeps "
               "the last quotes it has, with their old times.</p>\n";
    }
    return "<p class=\"headline\">Quotes come from " + html_escaped(answering->name) + ".</p>\n";
}

SourceStatus source_status(const SourceReport &report,
                           const std::function<std::string(uint64_t)> &time_text) {
    SourceStatus status;
    status.name = report.name;
    status.state = report.resting       ? SourceState::resting
                   : report.failing     ? SourceState::failing
                   : report.has_success ? SourceState::answering
                                        : SourceState::idle;
    if (report.has_success) status.last_success = time_text(report.last_success_at);
    if (report.resting) status.resting_until = time_text(report.resting_until);
    if (report.budget_spent) status.budget_back_at = time_text(report.budget_back_at);
    if (report.failing) status.failing_since = time_text(report.failing_since);
    status.last_error = report.last_error;
    status.answers_last_hour = report.answers_last_hour;
    status.quotes_last_hour = report.quotes_last_hour;
    return status;
}

SymbolStatus symbol_status(const SymbolFacts &facts, uint64_t now, uint64_t stale_ms) {
    SymbolStatus row;
    row.symbol = facts.symbol;
    row.has_quote = facts.has_quote;
    row.last_sale = facts.served.quote.last_sale;
    row.previous_close = facts.served.quote.previous_close;
    row.source = facts.has_quote ? facts.served.source : std::string();
    row.age_seconds = static_cast<uint32_t>((now - facts.quoted_at) / 1000);
    row.last_outcome = facts.last_outcome;
    row.final_quote = facts.has_quote && facts.final_quote;
    row.stale = facts.has_quote && !row.final_quote && now - facts.quoted_at > stale_ms;
    row.failing = facts.last_outcome.compare(0, 8, "no quote") == 0;
    return row;
}

nlohmann::ordered_json text_or_null(const std::string &text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

nlohmann::ordered_json source_json(const SourceStatus &source) {
    return {
        {"name", source.name},
        {"state", source_state_word(source.state)},
        {"last_success", text_or_null(source.last_success)},
        {"resting_until", text_or_null(source.resting_until)},
        {"budget_spent_until", text_or_null(source.budget_back_at)},
        {"last_error", text_or_null(source.last_error)},
        {"failing_since", text_or_null(source.failing_since)},
        {"answers_last_hour", source.answers_last_hour},
        {"quotes_last_hour", source.quotes_last_hour},
    };
}

nlohmann::ordered_json symbol_json(const SymbolStatus &symbol) {
    nlohmann::ordered_json none;
    return {
        {"symbol", symbol.symbol},
        {"last_sale", symbol.has_quote ? nlohmann::ordered_json(symbol.last_sale) : none},
        {"previous_close", symbol.has_quote ? nlohmann::ordered_json(symbol.previous_close) : none},
        {"source", symbol.has_quote ? text_or_null(symbol.source) : none},
        {"age_seconds", symbol.has_quote ? nlohmann::ordered_json(symbol.age_seconds) : none},
        {"last_outcome", symbol.last_outcome},
        {"stale", symbol.stale},
        {"final", symbol.final_quote},
        {"failing", symbol.failing},
    };
}

}  // namespace

GatewayStatus status_view(const ServiceFacts &facts,
                          const std::function<std::string(uint64_t)> &time_text) {
    GatewayStatus status;
    status.cache_seconds = facts.cache_seconds;
    status.source_order = facts.source_order;
    for (const SourceReport &report : facts.sources) {
        status.sources.push_back(source_status(report, time_text));
    }
    // A quote older than this stands out; without a cache, every quote is
    // fetched anew and a minute is the gateway's usual period.
    uint64_t stale_ms = facts.cache_seconds > 0 ? uint64_t{facts.cache_seconds} * 1000 : 60000;
    for (const SymbolFacts &symbol : facts.symbols) {
        status.symbols.push_back(symbol_status(symbol, facts.now, stale_ms));
    }
    return status;
}

const char *source_state_word(SourceState state) {
    switch (state) {
    case SourceState::answering:
        return "answering";
    case SourceState::resting:
        return "resting";
    case SourceState::failing:
        return "failing";
    case SourceState::idle:
        break;
    }
    return "idle";
}

std::string html_escaped(std::string_view text) {
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
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string status_html(const GatewayStatus &status) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"refresh\" content=\"" +
        std::to_string(kStatusRefreshSeconds) +
        "\">\n<title>Morvane Quote Gateway status</title>\n<style>\n" + kStyle +
        "</style></head>\n<body>\n<h1>Morvane Quote Gateway</h1>\n";
    html += headline(status);
    html += "<h2>Sources</h2>\n" + sources_table(status.sources);
    html += "<h2>Symbols asked for in the last 24 hours</h2>\n" + symbols_table(status.symbols);
    html += "<h2>Recent requests, newest first</h2>\n" + requests_block(status.recent_requests);
    html += "<h2>Gateway</h2>\n" + facts_table(status);
    html += "<p class=\"quiet\">This page updates itself every " +
            std::to_string(kStatusRefreshSeconds) + " seconds.</p>\n</body></html>\n";
    return html;
}

std::string status_json(const GatewayStatus &status) {
    nlohmann::ordered_json sources = nlohmann::ordered_json::array();
    for (const SourceStatus &source : status.sources) sources.push_back(source_json(source));
    nlohmann::ordered_json symbols = nlohmann::ordered_json::array();
    for (const SymbolStatus &symbol : status.symbols) symbols.push_back(symbol_json(symbol));
    nlohmann::ordered_json document = {
        {"version", status.version},
        {"port", status.port},
        {"started_at", status.started_at},
        {"cache_seconds", status.cache_seconds},
        {"source_order", status.source_order},
        {"log_file", text_or_null(status.log_file)},
        {"quotes_stopped_since", text_or_null(status.quotes_stopped_since)},
        {"sources", sources},
        {"symbols", symbols},
        {"recent_requests", status.recent_requests},
    };
    // A source's error text may hold any bytes; replacing what is not UTF-8
    // keeps the dump from throwing.
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}
