// Numbers of the catalogue messages the updater shows, each named once.
//
// Include it from .cpp files only: a header that brought these names along would clash with a
// file that still keeps its own copy of one.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr uint16_t kMsgConfirm = 20;             // field 2: " Por favor confirmar"
inline constexpr uint16_t kMsgNew = 28;                 // field 1: "Nuevo"
inline constexpr uint16_t kMsgChooseApplication = 34;
inline constexpr uint16_t kMsgContinue = 39;            // "¿Continuar?"
inline constexpr uint16_t kMsgChoose = 49;
inline constexpr uint16_t kMsgConfiguration = 79;
inline constexpr uint16_t kMsgAccess = 90;              // field 2: "Acceso a [$]"
inline constexpr uint16_t kMsgUserField = 102;          // form fields of the credentials form
inline constexpr uint16_t kMsgPasswordField = 103;
inline constexpr uint16_t kMsgRememberField = 104;
inline constexpr uint16_t kMsgAdminItems = 134;         // "Credenciales,Preferencias"
inline constexpr uint16_t kMsgPanel = 135;              // preferences: title, '-', form
inline constexpr uint16_t kMsgEntryForm = 139;          // form of a config.txt entry
inline constexpr uint16_t kMsgUpdateTexts = 140;        // field 1: "Se actualizara la carpeta [$].",
                                                        // field 2: "Actualización concluida. %i archivos actualizados"
inline constexpr uint16_t kMsgReset = 141;              // "Reinicio de contraseñas,Servidor desconocido"
inline constexpr uint16_t kMsgConnecting = 1001;
inline constexpr uint16_t kMsgReadingList = 1002;
inline constexpr uint16_t kMsgUpdating = 1004;          // "Actualizando %s %s"

}  // namespace rt
