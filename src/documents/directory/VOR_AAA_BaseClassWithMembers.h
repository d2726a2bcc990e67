// VOR_AAA_BaseClassWithMembers and its classes VOR_AAA_Group, VOR_AAA_Role and
// VOR_AAA_DistributionList: objects with the three member lists.
//
// Usage:
//   role.SetRequested(VOR_AAA_BaseClassWithMembers::eMembers, true);   // the query asked for it
//   role.AddMember(VOR_AAA_BaseClassWithMembers::eMembers, std::move(account));
// A list that was not requested is not written; a requested list that is empty is written as
// nil ("<members xsi:nil=\"true\"/>") after the non-empty ones.
#pragma once

#include "VOR_AAA_BaseClass.h"

#include <vector>

class VOR_AAA_BaseClassWithMembers : public VOR_AAA_BaseClass {
public:
    enum MemberList { eMembers = 0, eSecurityMembers = 1, eDistributionMembers = 2 };

    void SetRequested(MemberList list, bool requested) { m_requested[list] = requested; }
    bool IsRequested(MemberList list) const { return m_requested[list]; }
    void AddMember(MemberList list, VOR_AAA_BaseClassPtr member);
    const std::vector<VOR_AAA_BaseClassPtr>& GetMembers(MemberList list) const {
        return m_lists[list];
    }

    // The element name of a list: "members", "securityMembers", "distributionMembers".
    static const char* ListName(MemberList list);

protected:
    void WriteClassProperties(std::ostream& out, bool withSchema) const override;

private:
    std::vector<VOR_AAA_BaseClassPtr> m_lists[3];
    bool m_requested[3] = {false, false, false};
};

class VOR_AAA_Group : public VOR_AAA_BaseClassWithMembers {
public:
    VOR_AAA_ObjectType GetObjectType() const override { return kVOR_AAA_Group; }
};

class VOR_AAA_Role : public VOR_AAA_BaseClassWithMembers {
public:
    VOR_AAA_ObjectType GetObjectType() const override { return kVOR_AAA_Role; }
};

class VOR_AAA_DistributionList : public VOR_AAA_BaseClassWithMembers {
public:
    VOR_AAA_ObjectType GetObjectType() const override { return kVOR_AAA_DistributionList; }
};
