#include "operatormodule/reports_command.h"

#include "operatordb/bindings.h"
#include "operatordb/lookups.h"
#include "operatormodule/operator_app.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <strings.h>

namespace corvid::operatormodule {
namespace {

using operatortabs::ReportKind;
using operatortabs::ReportResult;

// Message boxes of a command: on standard error, answered with their default.
class ErrorStreamPrompt final : public operatortabs::Prompt {
public:
    platform::MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
        return request.buttons == platform::MsgButtons::YesNo ? platform::MsgAnswer::No
                                                              : platform::MsgAnswer::Ok;
    }
};

int Fail(int status, const std::string& text) {
    std::fprintf(stderr, "halcyon reports: %s\n", text.c_str());
    return status;
}

// The model asked for by its alias, else the last run's, else the first; empty with
// problem set when the alias names no model.
std::string ChooseModel(COperatorInterfaceApp& app, const std::string& alias, std::string& problem) {
    operatordb::DB_DUTs models(app.db());
    models.SetSort("Alias");
    models.Open(operatordb::OpenMode::ReadOnly);
    std::vector<std::string> aliases;
    for (; !models.IsEOF(); models.MoveNext())
        aliases.push_back(models.Alias);
    std::string wanted = alias;
    if (wanted.empty()) {
        auto known = [&app](int32_t model, int32_t instance, const std::string& serial) {
            return operatordb::IsKnownUut(app.db(), model, instance, serial);
        };
        operatoroutput::CTestInfo last;
        if (operatoroutput::ReadTestInfo(app.paths().testPlanMain + "$$$.TestInfo", last, known))
            wanted = last.UUT;
    }
    for (const std::string& name : aliases)
        if (strcasecmp(name.c_str(), wanted.c_str()) == 0)
            return name;
    if (!alias.empty()) {
        problem = "no UUT model with the alias \"" + alias + "\"";
        return {};
    }
    if (aliases.empty())
        problem = "the instrument database has no UUT models";
    return aliases.empty() ? std::string() : aliases.front();
}

std::string ReportPath(const std::string& directory, const std::string& file) {
    std::error_code error;
    if (file.find('/') != std::string::npos || std::filesystem::exists(file, error))
        return file;
    return directory + "/" + file;
}

} // namespace

bool ParseReportsArguments(const std::vector<std::string>& args, ReportsRequest& request,
                           std::string& problem) {
    if (args.empty() || (args[0] != "list" && args[0] != "show" && args[0] != "print")) {
        problem = "reports takes list, show FILE or print FILE --pdf OUT";
        return false;
    }
    request.command = args[0];
    std::size_t i = 1;
    if (request.command != "list") {
        if (args.size() < 2 || args[1].rfind("--", 0) == 0) {
            problem = "reports " + request.command + " needs a report file";
            return false;
        }
        request.file = args[1];
        i = 2;
    }
    const std::map<std::string, ReportKind> kinds = {{"summary", ReportKind::Summary},
                                                     {"detail", ReportKind::Detail},
                                                     {"trace", ReportKind::Trace},
                                                     {"all", ReportKind::All}};
    const std::map<std::string, ReportResult> results = {{"passed", ReportResult::Passed},
                                                         {"failed", ReportResult::Failed},
                                                         {"aborted", ReportResult::Aborted},
                                                         {"all", ReportResult::All}};
    for (; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) {
            problem =
                option.rfind("--", 0) == 0 ? option + " needs a value" : "unexpected argument " + option;
            return false;
        }
        const std::string& value = args[++i];
        bool listing = request.command == "list";
        if (option == "--model") {
            request.model = value;
        } else if (option == "--serial" && listing) {
            request.serial = value;
        } else if (option == "--kind" && listing && kinds.count(value)) {
            request.kind = kinds.at(value);
        } else if (option == "--result" && listing && results.count(value)) {
            request.result = results.at(value);
        } else if (option == "--pdf" && request.command == "print") {
            request.pdf = value;
        } else if (option == "--kind" || option == "--result") {
            problem = option + (option == "--kind" ? " takes summary, detail, trace or all"
                                                   : " takes passed, failed, aborted or all");
            return false;
        } else {
            problem = "unknown option " + option + " for reports " + request.command;
            return false;
        }
    }
    if (request.command == "print" && request.pdf.empty()) {
        problem = "reports print needs --pdf OUT.pdf";
        return false;
    }
    return true;
}

int Reports(const ReportsRequest& request, const PdfPrinterFactory& pdfPrinter) {
    COperatorInterfaceApp* app = TheApp();
    if (!app)
        return Fail(kReportsFailed, "the operator plug-in could not start");
    ErrorStreamPrompt prompt;
    try {
        std::string problem;
        std::string model = ChooseModel(*app, request.model, problem);
        if (!problem.empty())
            return Fail(kReportsBadArguments, problem);
        std::string directory = app->paths().outputPath + "/" + model;
        if (request.command == "list") {
            bool formatted = operatortabs::CheckFormattedReports(prompt, model).formatted;
            for (const std::string& name : operatortabs::ReportFileNames(
                     directory, request.serial, request.kind, request.result, formatted))
                std::printf("%s\n", name.c_str());
            return kReportsDone;
        }
        std::string path = ReportPath(directory, request.file);
        if (request.command == "show") {
            std::ifstream in(path, std::ios::binary);
            if (!in)
                return Fail(kReportsFailed, "cannot open the report " + path);
            std::string text = operatoroutput::ReportViewerText(in);
            for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
                text.erase(at, 1);
            std::fwrite(text.data(), 1, text.size(), stdout);
            return kReportsDone;
        }
        std::unique_ptr<operatortabs::ReportPrinter> printer = pdfPrinter(request.pdf);
        if (!printer || !operatortabs::PrintTextReportFile(path, *printer, prompt))
            return kReportsFailed;
        return kReportsDone;
    } catch (const std::exception& error) {
        return Fail(kReportsFailed, error.what());
    }
}

} // namespace corvid::operatormodule
