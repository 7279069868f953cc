// The report templates of a run and the check that they exist before it starts.
#include "operatoroutput/database_output_manager.h"

#include <filesystem>
#include <system_error>

namespace corvid::operatoroutput {
namespace {

struct TemplateKind {
    std::string ReportTemplates::*name;
    const char* message; // format: reports directory, template name
    const char* consequence;
};

// The texts differ in their blanks; they are the messages operators know.
const TemplateKind kKinds[] = {
    {&ReportTemplates::detail,
     "%s/%s detail report does not exist in the specified location. Check your system.\n\n",
     "Detail report will not be generated"},
    {&ReportTemplates::summary,
     "%s/%s summary report does not exist in the specified  location. Check your system.\n\n",
     "Summary report will not be generated"},
    {&ReportTemplates::trace,
     "%s/%s trace report does not exist in the specified  location. Check your system.\n\n",
     "Trace report will not be generated"},
};

std::string Substitute(const char* format, const std::string& first, const std::string& second) {
    std::string text = format;
    for (const std::string* value : {&first, &second}) {
        size_t at = text.find("%s");
        text.replace(at, 2, *value);
    }
    return text;
}

} // namespace

bool ReadReportTemplates(operatorconfig::Prompt& prompt, const CTestInfo& info, ReportTemplates& names) {
    operatorconfig::CConfigurationManager config(prompt);
    const std::string key = info.UUT + "_" + info.TPA + "_" + info.TPV;
    return config.GetValue("VELA PROJECTS", key, names.detail) &&
           config.GetValue("VELA PROJECTS", key + "_Summary", names.summary) &&
           config.GetValue("VELA PROJECTS", key + "_Trace", names.trace);
}

bool TemplateExists(const std::string& reportsDirectory, const std::string& name) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(reportsDirectory) / name, error);
}

bool CheckReportTemplates(OutputPrompt& prompt, const CTestInfo& info, const std::string& reportsDirectory) {
    ReportTemplates names;
    if (!ReadReportTemplates(prompt, info, names))
        return false;
    bool complete = true;
    for (const TemplateKind& kind : kKinds) {
        const std::string& name = names.*kind.name;
        if (name.empty() || TemplateExists(reportsDirectory, name))
            continue;
        prompt.ShowMessage(Substitute(kind.message, reportsDirectory, name) + kind.consequence,
                           operatorconfig::kApplicationTitle);
        complete = false;
    }
    return complete;
}

} // namespace corvid::operatoroutput
