#include "generator/TemplateCatalogue.h"

#include <algorithm>
#include <system_error>

#include "app/Utils.h"

namespace velmora {

namespace {

constexpr std::string_view kTemplateExtension = ".tem";
constexpr std::string_view kPreviewExtension = ".jpg";

bool IsListableFile(const std::filesystem::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_regular_file(ec)) return false;
  const std::string name = entry.path().filename().string();
  return !name.empty() && name.front() != '.';
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoreCaseAscii(text.substr(text.size() - suffix.size()), suffix);
}

std::vector<std::string> ListableFileNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return names;
  for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    if (IsListableFile(*it)) names.push_back(it->path().filename().string());
  }
  return names;
}

}  // namespace

std::string TemplateNameOfFile(std::string_view fileName) {
  std::string name(fileName);
  if (EndsWithIgnoreCase(name, kTemplateExtension)) name.resize(name.size() - kTemplateExtension.size());
  if (!name.empty() && name.front() >= 'a' && name.front() <= 'z') name.front() = static_cast<char>(name.front() - 32);
  return name;
}

std::vector<std::string> ListTemplates(const std::filesystem::path& folder) {
  std::vector<std::string> files;
  for (auto& name : ListableFileNames(folder)) {
    if (name.size() > kTemplateExtension.size() && EndsWithIgnoreCase(name, kTemplateExtension))
      files.push_back(std::move(name));
  }
  // Case-blind order; exact bytes only break ties so the order is stable.
  std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
    const std::string la = ToLowerAscii(a);
    const std::string lb = ToLowerAscii(b);
    return la != lb ? la < lb : a < b;
  });
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const auto& file : files) names.push_back(TemplateNameOfFile(file));
  return names;
}

std::vector<std::string> ListTemplates(const std::vector<std::filesystem::path>& folders) {
  std::vector<std::string> names;
  for (const auto& folder : folders) {
    for (auto& name : ListTemplates(folder)) {
      const auto same = std::find_if(names.begin(), names.end(),
                                     [&](const std::string& listed) { return EqualsIgnoreCaseAscii(listed, name); });
      if (same != names.end()) {
        *same = std::move(name);
      } else {
        names.push_back(std::move(name));
      }
    }
  }
  // Ordered as their file names are, so one folder lists as it always has.
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return ToLowerAscii(a + std::string(kTemplateExtension)) < ToLowerAscii(b + std::string(kTemplateExtension));
  });
  return names;
}

std::optional<std::filesystem::path> FindTemplate(const std::vector<std::filesystem::path>& folders,
                                                  std::string_view name) {
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    if (auto file = FindTemplateFile(*folder, name, kTemplateExtension)) return file;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> FindTemplateFile(const std::filesystem::path& folder, std::string_view name,
                                                      std::string_view extension) {
  if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos) return std::nullopt;
  const std::string wanted = std::string(name) + std::string(extension);
  std::vector<std::string> matches;
  for (auto& file : ListableFileNames(folder)) {
    if (file == wanted) return folder / file;
    if (EqualsIgnoreCaseAscii(file, wanted)) matches.push_back(std::move(file));
  }
  if (matches.empty()) return std::nullopt;
  return folder / *std::min_element(matches.begin(), matches.end());
}

std::string ShownTemplateName(std::string_view name) {
  constexpr std::size_t kLongest = 80;
  std::string shown;
  for (const char c : name.substr(0, kLongest)) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte < 0x20 || byte == 0x7f ? '?' : c;
  }
  if (name.size() > kLongest) shown += "...";
  return shown;
}

std::string UnknownTemplateMessage(std::string_view name, const std::vector<std::string>& listed) {
  std::string message = "No template named \"" + ShownTemplateName(name) + "\". Installed templates: ";
  if (listed.empty()) message += "none";
  for (std::size_t i = 0; i < listed.size(); ++i) message += (i ? ", " : "") + listed[i];
  return message + ".";
}

std::string TemplateNotListedWarning(std::string_view name, std::string_view shown) {
  return "The project asks for the template \"" + ShownTemplateName(name) +
         "\", which is not installed. The page is shown with the template \"" + std::string(shown) + "\" instead.";
}

std::string ExpectedTemplatePath(const std::filesystem::path& folder, std::string_view name) {
  return (folder / "").string() + std::string(name) + std::string(kTemplateExtension);
}

TemplateChoice ChooseTemplate(Project& project, const std::vector<std::filesystem::path>& folders,
                              const std::string& listedName) {
  TemplateChoice choice;
  if (const auto file = FindTemplate(folders, listedName)) {
    choice.preview = FindTemplateFile(file->parent_path(), listedName, kPreviewExtension);
  } else if (!folders.empty()) {
    choice.preview = FindTemplateFile(folders.front(), listedName, kPreviewExtension);
  }
  project.Template = listedName;
  return choice;
}

std::optional<std::size_t> FindListedTemplate(const std::vector<std::string>& listed, std::string_view name) {
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (EqualsIgnoreCaseAscii(listed[i], name)) return i;
  }
  return std::nullopt;
}

std::string TemplateAfterLoad(const std::vector<std::string>& listed, std::string_view projectTemplate) {
  if (const auto index = FindListedTemplate(listed, projectTemplate)) return listed[*index];
  return listed.empty() ? std::string() : listed.front();
}

}  // namespace velmora
