#pragma once

#include <string>
#include <vector>

// Reads and writes one INI file by section, key and value. Every method
// returns true on success; on failure LastErrorDescription() explains it.
// A later success leaves the explanation of the last failure in place.
namespace orvanta {

class CDS_CIni {
 public:
  const std::string& FileName() const;
  void FileName(const std::string& New_FileName);
  const std::string& LastErrorDescription() const;

  // A missing key and a key with an empty value both give false and "".
  bool ReadValue(const std::string& psSection, const std::string& psKey, std::string& psValue);
  // False, arrays untouched, for a missing or empty section.
  bool ReadSection(const std::string& psSection, std::vector<std::string>& psKeys,
                   std::vector<std::string>& psValues);
  bool WriteValue(const std::string& psSection, const std::string& psKey,
                  const std::string& psValue);
  // Makes the section hold exactly these entries, in this order.
  bool WriteSection(const std::string& psSection, const std::vector<std::string>& psKeys,
                    const std::vector<std::string>& psValues);
  // False, array untouched, when the file has no section.
  bool Enum_SectionNames(std::vector<std::string>& psSectionNames);
  bool DeleteKey(const std::string& psSection, const std::string& psKey);
  bool DeleteSection(const std::string& psSection);

 private:
  bool CheckFileName();
  void SetSystemError();
  bool Refuse(const std::string& why);

  std::string fileName_;
  std::string lastErrorDescription_;
};

}  // namespace orvanta
