// The XML export loader: any bytes either load into a document that answers
// every question about every node, or give an error.
#include "fuzz_support.h"
#include "platform/xml/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vantrel::XmlDocument doc;
  if (!doc.LoadFromMemory(vantrel::fuzz::Bytes(data, size), "fuzz.xml")) return 0;
  size_t total = doc.DocumentElement().NodeName().size();
  for (const vantrel::XmlNode& e : doc.ElementsByTagName("*")) {
    total += e.NodeName().size() + e.Text().size();
    for (size_t i = 0; i <= e.AttributeCount(); ++i)
      total += e.AttributeName(i).size() + e.AttributeValue(i).size();
    for (const vantrel::XmlNode& c : e.ChildNodes()) total += c.NodeName().size() + c.Text().size();
  }
  return total == 0 ? 0 : 0;
}
