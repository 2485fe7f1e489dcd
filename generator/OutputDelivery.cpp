#include "generator/OutputDelivery.h"
#include "project/PromoLists.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <set>
#include <stdexcept>
#include <system_error>

#include "app/FileIO.h"
#include "app/PercentDecoding.h"
#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "generator/TemplateCatalogue.h"

namespace velmora {

namespace {

constexpr std::string_view kMarkerOpen = "<!-- velmora-page owner=\"";
constexpr std::string_view kMarkerClose = "\" -->";
constexpr std::size_t kMaxOwnerLength = 64;
constexpr std::size_t kMaxNameStem = 60;
// A banner is a picture; anything larger was picked by mistake.
constexpr std::size_t kMaxPictureBytes = std::size_t{64} << 20;

bool IsAsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// Lower-case letters and digits, one dash for each run of anything else.
std::string Slug(std::string_view text, std::size_t maxLength) {
  std::string slug;
  for (const char c : text) {
    if (slug.size() >= maxLength) break;
    if (IsAsciiAlnum(c)) {
      slug += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCaseAscii(text.substr(0, prefix.size()), prefix);
}

// A web server's file name for a picture: the slug of its name, its
// extension kept, and a number where two different pictures share it.
std::string PictureName(const std::filesystem::path& source, std::set<std::string>& taken) {
  std::string extension = Slug(source.extension().string(), 10);
  std::string stem = Slug(source.stem().string(), kMaxNameStem);
  if (stem.empty()) stem = "picture";
  if (!extension.empty()) extension.insert(0, ".");
  std::string name = stem + extension;
  for (int n = 2; taken.count(name); ++n) name = stem + "-" + std::to_string(n) + extension;
  taken.insert(name);
  return name;
}

std::string SplitStem(const std::string& name, std::string* extension) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    extension->clear();
    return name;
  }
  *extension = name.substr(dot);
  return name.substr(0, dot);
}

}  // namespace

std::string PageNameFromTitle(std::string_view title) {
  const std::string slug = Slug(title, kMaxNameStem);
  return slug.empty() ? std::string(kDefaultOutputName) : slug + ".htm";
}

std::string OutputNameOf(const Project& project) {
  return project.FileName.empty() ? PageNameFromTitle(project.Title) : project.FileName;
}

std::optional<Refusal> OutputNameProblem(const std::string& name) {
  const std::string trimmed = TrimControl(name);
  if (trimmed.empty()) return Refusal{MessageKind::Information, "Please provide a valid output filename."};
  // A name from a shared project file must not reach the brand file or anything else outside the folder.
  if (name.find_first_of("/\\") != std::string::npos || trimmed == "." || trimmed == ".." ||
      std::filesystem::path(name).is_absolute() || std::filesystem::path(name).has_root_name())
    return Refusal{MessageKind::Warning, "The output filename \"" + name +
                                             "\" must be a file name without a folder, such as " +
                                             std::string(kDefaultOutputName) + "."};
  return std::nullopt;
}

std::string PictureFolderOf(const std::string& pageName) {
  std::string extension;
  return SplitStem(pageName, &extension) + "-files";
}

std::optional<std::filesystem::path> LocalFileOf(std::string_view address) {
  const std::string trimmed = TrimControl(address);
  std::string_view rest = trimmed;
  if (StartsWithNoCase(rest, "file:")) {
    rest.remove_prefix(5);
    if (rest.substr(0, 2) == "//") {
      rest.remove_prefix(2);
      const std::size_t slash = rest.find('/');
      if (slash == std::string_view::npos) return std::nullopt;
      const std::string_view host = rest.substr(0, slash);
      if (!host.empty() && !EqualsIgnoreCaseAscii(host, "localhost")) return std::nullopt;
      rest.remove_prefix(slash);
    }
    rest = rest.substr(0, rest.find_first_of("?#"));
    const std::string path = PercentDecoded(rest);
    if (path.empty() || path.front() != '/') return std::nullopt;
    return std::filesystem::path(path);
  }
  if (rest.size() >= 2 && rest[0] == '/' && rest[1] != '/') return std::filesystem::path(std::string(rest));
  return std::nullopt;
}

Project WithPictureAddresses(const Project& project, const std::vector<PagePicture>& pictures) {
  Project travelling = project;
  for (std::string& banner : travelling.Banners) {
    const auto source = LocalFileOf(banner);
    if (!source) continue;
    for (const PagePicture& picture : pictures)
      if (picture.source == *source) {
        // The alternative text goes with the banner to its new address.
        const std::string alt = BannerAlt(project, banner);
        banner = picture.address;
        SetBannerAlt(travelling, banner, alt);
        break;
      }
  }
  return travelling;
}

std::vector<PagePicture> PicturesBeside(const Project& project, const std::string& name,
                                        std::vector<std::string>* missing) {
  std::vector<PagePicture> pictures;
  const std::string folder = PictureFolderOf(name);
  std::set<std::string> taken;
  for (const std::string& banner : project.Banners) {
    const auto source = LocalFileOf(banner);
    if (!source) continue;
    std::error_code error;
    if (!std::filesystem::is_regular_file(*source, error)) {
      if (missing) missing->push_back(source->string());
      continue;
    }
    bool known = false;
    for (const PagePicture& picture : pictures) known = known || picture.source == *source;
    if (!known) pictures.push_back({*source, folder + "/" + PictureName(*source, taken)});
  }
  return pictures;
}

Result<void> CopyPictures(const std::filesystem::path& folder, const std::string& name,
                          const std::vector<PagePicture>& pictures) {
  if (pictures.empty()) return {};
  const std::filesystem::path pictureFolder = folder / PictureFolderOf(name);
  if (!MakePrivateFolders(pictureFolder))
    return FileFailure(ErrorKind::Unwritable, "Cannot create the folder", pictureFolder, "it is not a folder");
  for (const PagePicture& picture : pictures) {
    const auto bytes = ReadWholeFile(picture.source, kMaxPictureBytes);
    if (!bytes) return bytes.error();
    if (auto written = WriteFileAtomic(folder / picture.address, *bytes); !written) return written.error();
  }
  return {};
}

Result<PageBundle> MakePageBundle(const Project& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders,
                                  const std::string& name, const std::string& owner) {
  PageBundle bundle;
  bundle.name = name;
  bundle.pictures = PicturesBeside(project, name, &bundle.missing);
  auto page = GeneratePage(WithPictureAddresses(project, bundle.pictures), templateName, templateFolders);
  if (!page) return page.error();
  bundle.bytes = JoinLines(SplitLines(*page)) + PageMarker(owner) + "\r\n";
  return bundle;
}

std::string PageIdFor(const Project& project, const std::filesystem::path& projectFile) {
  if (!project.PageId.empty()) return project.PageId;
  unsigned char bytes[EVP_MAX_MD_SIZE];
  if (projectFile.empty()) {
    if (RAND_bytes(bytes, 16) != 1) throw std::runtime_error("the system gives no random bytes");
  } else {
    std::error_code error;
    const std::string place = std::filesystem::weakly_canonical(std::filesystem::absolute(projectFile), error).string();
    unsigned int length = 0;
    if (EVP_Digest(place.data(), place.size(), bytes, &length, EVP_sha256(), nullptr) != 1)
      throw std::runtime_error("SHA-256 is not available");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id;
  for (int i = 0; i < 16; ++i) {
    id += kHex[bytes[i] >> 4];
    id += kHex[bytes[i] & 15];
  }
  return id;
}

std::string PageMarker(const std::string& owner) {
  return std::string(kMarkerOpen) + owner + std::string(kMarkerClose);
}

std::optional<std::string> PageOwnerOf(std::string_view page) {
  const std::size_t at = page.rfind(kMarkerOpen);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view rest = page.substr(at + kMarkerOpen.size());
  const std::size_t end = rest.find(kMarkerClose);
  if (end == std::string_view::npos || end > kMaxOwnerLength) return std::nullopt;
  return std::string(rest.substr(0, end));
}

PageSlot SlotOf(const std::filesystem::path& file, const std::string& owner) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (status.type() == std::filesystem::file_type::not_found) return PageSlot::Free;
  // Not a file (a folder, say): nothing to ask about; the writer refuses it with its reason.
  if (status.type() != std::filesystem::file_type::regular) return PageSlot::Free;
  if (owner.empty()) return PageSlot::Taken;
  // What cannot be read cannot be shown to be ours.
  const auto page = ReadWholeFile(file, kMaxPageBytes + 4096);
  return page && PageOwnerOf(*page) == owner ? PageSlot::Ours : PageSlot::Taken;
}

std::string KeepBothName(const std::filesystem::path& folder, const std::string& name) {
  std::string extension;
  const std::string stem = SplitStem(name, &extension);
  for (int n = 2;; ++n) {
    const std::string candidate = stem + "-" + std::to_string(n) + extension;
    std::error_code error;
    if (!std::filesystem::exists(folder / candidate, error) &&
        !std::filesystem::exists(folder / PictureFolderOf(candidate), error))
      return candidate;
  }
}

Result<std::filesystem::path> PrepareOutputFile(const std::filesystem::path& folder, const std::string& name) {
  // The name is joined as text, not as a path, so that it lands below the
  // output folder, blanks and all, exactly as the message says.
  const std::filesystem::path file((folder / "").string() + name);
  if (const auto problem = OutputNameProblem(name))
    return FileFailure(ErrorKind::Unwritable, "Cannot write the file", file, problem->text);
  if (!MakePrivateFolders(folder))
    return FileFailure(ErrorKind::Unwritable, "Cannot create the folder", folder,
                       "Can't create the output folder! Check the output path you provided.");
  return file;
}

Result<std::filesystem::path> SavePageBundle(const std::filesystem::path& folder, const PageBundle& bundle) {
  auto file = PrepareOutputFile(folder, bundle.name);
  if (!file) return file.error();
  // Pictures first, so that the page never names one that is not there yet.
  if (auto copied = CopyPictures(folder, bundle.name, bundle.pictures); !copied) return copied.error();
  if (auto written = WriteFileAtomic(*file, bundle.bytes); !written) return written.error();
  return file;
}

OutputResult ProduceOutput(bool save, const Project& project, const OutputRequest& request,
                           MessagePort& messages) {
  OutputResult result;
  if (save) {
    if (!MakePrivateFolders(request.outputFolder)) {
      messages.ShowMessage(MessageKind::Error, "Can't create the output folder! Check the output path you provided.");
      return result;
    }
  }
  const auto templateError = [&](const Error& error) {
    messages.ShowMessage(MessageKind::Error,
                         error.kind == ErrorKind::NotFound
                             ? "The selected template could not be found: " +
                                   ExpectedTemplatePath(request.places.ShippedTemplateFolder(), request.templateName)
                             : error.message);
  };

  if (!save) {
    auto page = GeneratePage(project, request.templateName, request.places.TemplateFolders());
    if (!page) {
      templateError(page.error());
      return result;
    }
    result.page = std::move(page).value();
    return result;
  }

  std::string name = request.fileNameField;
  auto bundle = MakePageBundle(project, request.templateName, request.places.TemplateFolders(), name,
                               request.pageOwner);
  if (!bundle) {
    templateError(bundle.error());
    return result;
  }
  const std::filesystem::path target((request.outputFolder / "").string() + name);
  if (SlotOf(target, request.pageOwner) == PageSlot::Taken) {
    switch (messages.AskReplace("There is already a page named " + name + " in " + request.outputFolder.string() +
                                " that this project did not make.\nReplace it, or keep both and save this "
                                "project's page under another name?")) {
      case ReplaceChoice::Cancel: return result;
      case ReplaceChoice::Replace: break;
      case ReplaceChoice::KeepBoth:
        name = KeepBothName(request.outputFolder, name);
        bundle = MakePageBundle(project, request.templateName, request.places.TemplateFolders(), name,
                                request.pageOwner);
        if (!bundle) {
          templateError(bundle.error());
          return result;
        }
        break;
    }
  }
  auto saved = SavePageBundle(request.outputFolder, *bundle);
  if (!saved) {
    messages.ShowMessage(MessageKind::Error, saved.error().message);
    return result;
  }
  result.savedFile = std::move(*saved);
  result.page = bundle->bytes;
  result.pictures = bundle->pictures;
  std::string text = "You have successfully saved your file as:\n\r" + result.savedFile->string();
  MessageKind kind = MessageKind::Done;
  if (!bundle->missing.empty()) {
    kind = MessageKind::Warning;
    text += "\n\nThese pictures are not on this computer any more; the page still refers to them where they were:";
    for (const auto& missing : bundle->missing) text += "\n" + missing;
  }
  messages.ShowMessage(kind, text);
  return result;
}

OutputResult DeliverPage(DeliveryMode mode, const Project& project, const OutputRequest& request,
                            MessagePort& messages, ClipboardPort& clipboard) {
  if (mode == DeliveryMode::SaveWebPage) {
    if (const auto problem = OutputNameProblem(request.fileNameField)) {
      messages.ShowMessage(problem->kind, problem->text);
      return {};
    }
    return ProduceOutput(true, project, request, messages);
  }
  OutputResult result = ProduceOutput(false, project, request, messages);
  if (!result.page) return result;
  // Filled before it is said, so the clipboard holds the page while the user reads.
  clipboard.SetText(*result.page);
  messages.ShowMessage(MessageKind::Done, "You have copied your code to the clipboard.");
  return result;
}

}  // namespace velmora
