#include "core/entries/ArchiveDelete.h"

#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

namespace
{

constexpr int QuestionIcon = 3;
constexpr int InformationIcon = 5;

} // namespace

MsgBoxRequest ArchiveQuestion()
{
    return MakeMsgBoxRequest(
        QStringLiteral("Archive this entry"), QuestionIcon,
        QStringLiteral("This entry will be moved (archived) to the 'Inactive List'.") + CrLf +
            CrLf + QStringLiteral("It will NOT be permanently removed from the database."),
        1, false,
        {QStringLiteral("&Move (archive) to the 'Inactive List'"),
         QStringLiteral("&Cancel, don't do anything")});
}

MsgBoxRequest ArchivedNotice()
{
    return MakeMsgBoxRequest(
        QStringLiteral("Entry moved to the 'Inactive List'"), InformationIcon,
        QStringLiteral("The entry has been moved from this 'Active List'") + CrLf +
            QStringLiteral("to the 'Inactive List' of archived entries.") + CrLf + CrLf +
            QStringLiteral("You can click the 'Inactive List' at any time") + CrLf +
            QStringLiteral("to access the list of archived items."),
        1, true, {QStringLiteral("&Continue")});
}

MsgBoxRequest RestoreQuestion()
{
    return MakeMsgBoxRequest(
        QStringLiteral("Confirm Restoration"), QuestionIcon,
        QStringLiteral("Are you SURE you want to restore this archived entry") + CrLf +
            QStringLiteral("from the 'Inactive List' to the 'Active List' of entries?"),
        1, true,
        {QStringLiteral("&Yes, restore this entry"), QStringLiteral("&No, cancel this operation")});
}

MsgBoxRequest DeleteQuestion()
{
    return MakeMsgBoxRequest(QStringLiteral("Confirm Entry Deletion"), QuestionIcon,
                             QStringLiteral("Are you SURE you want to permanently delete") + CrLf +
                                 QStringLiteral("this entry from the ") + AppTitle +
                                 QStringLiteral(" database?"),
                             2, false,
                             {QStringLiteral("&Yes, delete this entry"),
                              QStringLiteral("&No, do not delete this entry")});
}

MsgBoxRequest InactiveListEmptyNotice()
{
    return MakeMsgBoxRequest(QStringLiteral("'Inactive List' Empty"), InformationIcon,
                             QStringLiteral("The 'Inactive List' of archived entries") + CrLf +
                                 QStringLiteral("is now empty."),
                             1, false, {QStringLiteral("&Return to the 'Active List'")});
}
