#include "VOR_AAA_BaseClassWithMembers.h"

#include "PYXThrowable.h"
#include "VOR_AAA_WriteEscapedText.h"

const char* VOR_AAA_BaseClassWithMembers::ListName(MemberList list) {
    switch (list) {
        case eMembers:
            return "members";
        case eSecurityMembers:
            return "securityMembers";
        case eDistributionMembers:
            return "distributionMembers";
    }
    return "";
}

void VOR_AAA_BaseClassWithMembers::AddMember(MemberList list, VOR_AAA_BaseClassPtr member) {
    PYX_ASSERT(member != nullptr);
    m_lists[list].push_back(std::move(member));
}

void VOR_AAA_BaseClassWithMembers::WriteClassProperties(std::ostream& out, bool withSchema) const {
    for (MemberList list : {eMembers, eSecurityMembers, eDistributionMembers}) {
        const auto& members = m_lists[list];
        if (!m_requested[list] || members.empty()) {
            continue;
        }
        const char* name = ListName(list);
        WriteMarkup('<', out);
        WriteMarkup(name, out);
        WriteMarkup(" xsi:type=\"cm:baseClassArrayProp\">", out);
        WriteMarkup("<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:baseClass[", out);
        WriteCount(members.size(), out);
        WriteMarkup("]\">", out);
        for (const VOR_AAA_BaseClassPtr& member : members) {
            member->WriteAsResultItem(out, withSchema);
        }
        WriteMarkup("</value></", out);
        WriteMarkup(name, out);
        WriteMarkup('>', out);
    }
    // The nil forms follow the lists with content, in this fixed order.
    for (MemberList list : {eMembers, eDistributionMembers, eSecurityMembers}) {
        if (m_requested[list] && m_lists[list].empty()) {
            WriteMarkup('<', out);
            WriteMarkup(ListName(list), out);
            WriteMarkup(" xsi:nil=\"true\"/>", out);
        }
    }
}
