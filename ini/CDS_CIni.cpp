#include "ini/CDS_CIni.h"

#include "ini/PrivateProfile.h"

namespace orvanta {

const std::string& CDS_CIni::FileName() const { return fileName_; }

void CDS_CIni::FileName(const std::string& New_FileName) { fileName_ = New_FileName; }

const std::string& CDS_CIni::LastErrorDescription() const { return lastErrorDescription_; }

bool CDS_CIni::CheckFileName() {
  if (!fileName_.empty()) return true;
  lastErrorDescription_ = "No filename specified";
  return false;
}

void CDS_CIni::SetSystemError() {
  std::string text = profile::LastErrorText();
  lastErrorDescription_ = text.empty() ? "An unknown error has occured" : std::move(text);
}

bool CDS_CIni::Refuse(const std::string& why) {
  lastErrorDescription_ = why;
  return false;
}

bool CDS_CIni::ReadValue(const std::string& psSection, const std::string& psKey,
                         std::string& psValue) {
  if (!CheckFileName()) return false;
  std::string value;
  if (profile::ReadProfileString(psSection, psKey, "", value, fileName_) == 0) {
    SetSystemError();
    psValue.clear();
    return false;
  }
  psValue = std::move(value);
  return true;
}

bool CDS_CIni::ReadSection(const std::string& psSection, std::vector<std::string>& psKeys,
                           std::vector<std::string>& psValues) {
  if (!CheckFileName()) return false;
  std::vector<std::string> entries;
  if (profile::ReadProfileSection(psSection, entries, fileName_) == 0) {
    SetSystemError();
    return false;
  }
  psKeys.clear();
  psValues.clear();
  for (const std::string& entry : entries) {
    const std::size_t eq = entry.find('=');
    if (eq == std::string::npos) {  // a bare key reads as one with no value
      psKeys.push_back(entry);
      psValues.emplace_back();
    } else {
      psKeys.push_back(entry.substr(0, eq));
      psValues.push_back(entry.substr(eq + 1));
    }
  }
  return true;
}

bool CDS_CIni::WriteValue(const std::string& psSection, const std::string& psKey,
                          const std::string& psValue) {
  if (!CheckFileName()) return false;
  if (auto why = profile::SectionNameProblem(psSection)) return Refuse(*why);
  if (auto why = profile::KeyProblem(psKey)) return Refuse(*why);
  if (auto why = profile::ValueProblem(psKey, psValue)) return Refuse(*why);
  if (!profile::WriteProfileString(psSection, psKey, psValue, fileName_)) {
    SetSystemError();
    return false;
  }
  return true;
}

bool CDS_CIni::WriteSection(const std::string& psSection, const std::vector<std::string>& psKeys,
                            const std::vector<std::string>& psValues) {
  if (!CheckFileName()) return false;
  if (psKeys.size() != psValues.size()) {
    return Refuse("Key array and Value array must be of the same size");
  }
  if (auto why = profile::SectionNameProblem(psSection)) return Refuse(*why);
  std::vector<profile::KeyValue> entries;
  entries.reserve(psKeys.size());
  for (std::size_t i = 0; i < psKeys.size(); ++i) {
    if (auto why = profile::KeyProblem(psKeys[i])) return Refuse(*why);
    if (auto why = profile::ValueProblem(psKeys[i], psValues[i])) return Refuse(*why);
    entries.emplace_back(psKeys[i], psValues[i]);
  }
  if (!profile::WriteProfileSection(psSection, entries, fileName_)) {
    SetSystemError();
    return false;
  }
  return true;
}

bool CDS_CIni::Enum_SectionNames(std::vector<std::string>& psSectionNames) {
  if (!CheckFileName()) return false;
  if (profile::ReadProfileSectionNames(psSectionNames, fileName_) == 0) {
    SetSystemError();
    return false;
  }
  return true;
}

bool CDS_CIni::DeleteKey(const std::string& psSection, const std::string& psKey) {
  if (!CheckFileName()) return false;
  if (auto why = profile::SectionNameProblem(psSection)) return Refuse(*why);
  if (auto why = profile::KeyProblem(psKey)) return Refuse(*why);
  if (!profile::DeleteProfileKey(psSection, psKey, fileName_)) {
    SetSystemError();
    return false;
  }
  return true;
}

bool CDS_CIni::DeleteSection(const std::string& psSection) {
  if (!CheckFileName()) return false;
  if (auto why = profile::SectionNameProblem(psSection)) return Refuse(*why);
  if (!profile::DeleteProfileSection(psSection, fileName_)) {
    SetSystemError();
    return false;
  }
  return true;
}

}  // namespace orvanta
