#include "VOR_AAA_QueryResponse.h"

#include "PYXThrowable.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_QueryResponseHandler.h"
#include "VOR_AAA_WriteEscapedText.h"

namespace {

const char* kItemLabel = "VOR_AAA_QueryResponseHandler::GetItem";

// The object as its class; a failed assertion when it is of another type.
template <typename T>
T& objectAs(VOR_AAA_BaseClass& object, VOR_AAA_ObjectType type, const char* mismatch) {
    if (object.GetObjectType() != type) {
        pyxAssertFailed(mismatch, __FILE__, __LINE__, kItemLabel);
    }
    return static_cast<T&>(object);
}

}  // namespace

void VOR_AAA_QueryResponse::Write(std::ostream& out) const {
    WriteMarkup("<cm:queryResponse xmlns:cm=\"", out);
    WriteMarkup(VOR_AAA_Const::Text::kAAANamespaceURI, out);
    WriteMarkup('"', out);
    if (m_writeSchemaNamespaces) {
        WriteMarkup(" xmlns:xsi=\"", out);
        WriteMarkup(VOR_AAA_Const::Text::kXMLSchemaInstanceNamespaceURI, out);
        WriteMarkup("\" ", out);
        WriteMarkup("xmlns:SOAP-ENC=\"", out);
        WriteMarkup(VOR_AAA_Const::Text::kSOAPEncodingNamespaceURI, out);
        WriteMarkup('"', out);
    }
    WriteMarkup('>', out);
    if (!m_currentNamespaceFormat.empty()) {
        WriteMarkup("<currentNamespaceFormat xsi:type=\"xsd:string\">", out);
        WriteEscapedText(m_currentNamespaceFormat, out);
        WriteMarkup("</currentNamespaceFormat>", out);
    }
    WriteMarkup("<queryResult xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:baseClass[", out);
    WriteCount(m_objects.size(), out);
    WriteMarkup("]\">", out);
    for (const VOR_AAA_BaseClassPtr& object : m_objects) {
        object->WriteAsResultItem(out, m_writeSchemaInfo);
    }
    WriteMarkup("</queryResult></cm:queryResponse>", out);
}

void VOR_AAA_QueryResponse::Load(const char* text, size_t length) {
    Clear();
    VOR_AAA_QueryResponseHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "queryResponse", text, length);
}

void VOR_AAA_QueryResponse::AddObject(VOR_AAA_BaseClassPtr object) {
    PYX_ASSERT(object != nullptr);
    m_objects.push_back(std::move(object));
}

void VOR_AAA_QueryResponse::Clear() {
    m_objects.clear();
    m_currentNamespaceFormat.clear();
}

VOR_AAA_BaseClass& VOR_AAA_QueryResponse::GetObject(size_t index) const {
    if (index >= m_objects.size()) {
        pyxAssertFailed("m_tempObj == NULL", __FILE__, __LINE__, kItemLabel);
    }
    return *m_objects[index];
}

VOR_AAA_Account& VOR_AAA_QueryResponse::GetAccount(size_t index) const {
    return objectAs<VOR_AAA_Account>(GetObject(index), kVOR_AAA_User,
                                     "m_tempObj->GetObjectType() !== kVOR_AAA_User");
}

VOR_AAA_Group& VOR_AAA_QueryResponse::GetGroup(size_t index) const {
    return objectAs<VOR_AAA_Group>(GetObject(index), kVOR_AAA_Group,
                                   "m_tempObj->GetObjectType() !== kVOR_AAA_Group");
}

VOR_AAA_Role& VOR_AAA_QueryResponse::GetRole(size_t index) const {
    return objectAs<VOR_AAA_Role>(GetObject(index), kVOR_AAA_Role,
                                  "m_tempObj->GetObjectType() !== kVOR_AAA_Role");
}

VOR_AAA_Namespace& VOR_AAA_QueryResponse::GetNamespace(size_t index) const {
    return objectAs<VOR_AAA_Namespace>(GetObject(index), kVOR_AAA_Namespace,
                                       "m_tempObj->GetObjectType() !== kVOR_AAA_Namespace");
}

VOR_AAA_NamespaceFolder& VOR_AAA_QueryResponse::GetNamespaceFolder(size_t index) const {
    return objectAs<VOR_AAA_NamespaceFolder>(
        GetObject(index), kVOR_AAA_NamespaceFolder,
        "m_tempObj->GetObjectType() !== kVOR_AAA_NamespaceFolder");
}
