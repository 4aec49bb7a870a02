// The built-in Spanish message catalogue: four blocks of tab-separated "NNNN text" entries.
//
// Texts are Windows-1252 bytes. A key is found by a quoted-mode search for its first occurrence
// in its block, so a text must never contain another entry's key outside quotes, and its quotes
// must pair up (otherwise every later key of the block would be skipped).
#include "runtime/catalogue.h"

namespace rt {
namespace {

constexpr char kBlock1[] =
    // Field k names code 121 + k; code 183 has no name, its empty field keeps 184 on in place.
    "\t0000 Cancelado por el usuario,Expresion Nula,Aviso Indefinido,Tipo Atipico,Datos incorrectos,No hay datos,Tipos Incompatibles,Fallo de loop,"
    "Disco (I/O),Fichero I/O,Ejecuci\xf3n de Procedimiento,PRCSTCKERROR,TRANSUPERROR,VARHANDLERROR,de Lectura,de Escritura,"
    "de Apertura,de Red,BADEXPRESION,Interno,FARHEAPINIERR,de Entorno de Pantalla,INDEXCMDERROR,OUTOFMEMORY,"
    "STRINGTOOLONG,SINTAXERROR,FEATUREREMOVED,DIMSTRUCERROR,BADSTRINGTYPE,BADFILENUMBER,FORMATFAILURE,STRCONCATERR,"
    "MEMORYALLOCERR,EXPCALCERROR,LOADSTRERROR,VARNAMEERROR,BADCOMMANDLINE,STROUTBOUND,MEMTESTERROR,FILEOUTBOUND,"
    "SQLERROR,Datos Incorrectos,Fichero no encontrado,Fichero Existente,Apertura de Ficheros,CHILDEXECERROR,DATAOUTBOUND,FILENOTINIT,"
    "COMMONCTLERROR,DEVICETIMEOUT,DEVICEIOERROR,SYSTEMCMDERROR,Chequeo de usuario,Permiso denegado,StructMemError,ScreenStructErr,"
    "Memory Leaks,Windows Control Error,Memory Overflow,Variable ScreenField,Flujo de programa incorrecto,,Datos Existentes,Solamente Acceso Local,"
    "Soporte Grafico Insuficiente,Dispositivo en Uso,Dispositivo no encontrado"
    "\t0001 Limpiar,Primero,Anterior,Recargar,Siguiente,Ultimo,Seleccionar,Grabar,Insertar,Anular,Listado,Pg.Sig,Pg.Ant,Importar,Modo,Anular Doc,Impresion,Sel.Tabla"
    "\t0002 Pulse Enter para continuar"
    "\t0003 Los cambios se aplicar\xe1n tras reiniciar."
    "\t0004 Fichero no encontrado:%s"
    "\t0005 Proceso Completado Satisfactoriamente"
    "\t0006 Cancelado por el Usuario"
    "\t0007 Datos no Encontrados"
    "\t0008 Precauci\xf3n "
    "\t0009 Error "
    "\t0010 No definido"
    "\t0011 Ss,Nn"
    "\t0012 Mensaje Informativo"
    "\t0013 Alerta de Mensaje Fatal"
    "\t0014 Solicitud de Informaci\xf3n"
    "\t0015 Permiso denegado"
    "\t0016 Proceso en progreso....."
    "\t0017 Parametros incorrectos para campo de pantalla%s\r\n (%s)"
    "\t0018 Posible perdida de datos."
    "\t0019 NS;,NO,SI;Enero,Febrero,Marzo,Abril,Mayo,Junio,Julio,Agosto,Septiembre,Octubre,Noviembre,Diciembre;[$1] de [$2] de [$3]"
    "\t0020 Cancelar, Por favor confirmar"
    "\t0021 Error de conexi\xf3n SQL"
    "\t0022 Mantenimiento de Ficheros,Captura de Datos"
    "\t0023 Clave no encontrada,Fin de fichero,,,Clave incorrecta,Clave Repetida,Datos Cambiados. Grabaci\xf3n canceleda,Datos Cambiados. Confirmar,Contrase\xf1" "as no coinciden"
    "\t0024 Modificaci\xf3n de Clave descartada"
    "\t0025 \xbf" "Confirma la eliminaci\xf3n?"
    "\t0026 Visualizar,Insertar,Eliminar,Buscar"
    "\t0027 Datos Cabecera,Tipo de Documento,Busqueda,Edicion,Edicion lineas,Edicion res\xfamen,Datos grabados,Nueva alta,Modificaci\xf3n,Modo Inserci\xf3n,Modo Mantenimiento,Impres.Desact.,Impres.Act.,Solo Consulta"
    "\t0028 Nuevo,Inic.,Ant.,Sig.,Ult.,Buscar,Grabar,Borrar"
    "\t0029 Cancelar,Buscar,Grabar,Insertar,Anular Lin.,Importar,Anular Doc.,Modo Impr."
    "\t0030 Cancelar,PgAnt.,PgSig.,Grabar,Insertar,Anular,Importar,Modo"
    "\t0031 Proceso no definido"
    "\t0032 Aun hay ventanas abiertas (%i Pantallas, %i Ventanas)"
    "\t0033 Recuerde sus Copias de Seguridad"
    "\t0034 Selecci\xf3n de Aplicaci\xf3n"
    "\t0035 Debe efectuar una configuraci\xf3n en la carpeta por defecto.\r\nConsulte la documentaci\xf3n"
    "\t0036 %s (Aplicaci\xf3n desconocida)"
    "\t0037 Solo disponible en Busqueda"
    "\t0038 Solo disponible en Modo Mantenimiento,Para a\xf1" "adir datos es recomendable usar el mode de Inserci\xf3n"
    "\t0039 \xbf" "Continuar?";

constexpr char kBlock2[] =
    "\t0040 Ayuda"
    "\t0041 Aceptar,Cancelar"
    "\t0042 Imprimir"
    "\t0043 Vista previa"
    "\t0044 Buscar texto"
    "\t0045 Texto no encontrado"
    "\t0046 Reemplazar"
    "\t0047 Fecha incorrecta"
    "\t0048 Hora incorrecta"
    "\t0049 Seleccione su opci\xf3n"
    "\t0050 Valor fuera de rango"
    "\t0051 Campo obligatorio"
    "\t0052 N\xfamero incorrecto"
    "\t0053 Registro bloqueado por otro usuario"
    "\t0054 Registro no encontrado"
    "\t0055 Fin de la lista"
    "\t0056 Principio de la lista"
    "\t0057 Impresora no disponible"
    "\t0058 Imprimiendo..."
    "\t0059 P\xe1gina %i de %i"
    "\t0060 Todos (%s),%s"
    "\t0061 Ficheros de Estructura (%s),%s"
    "\t0062 Ficheros de Pantalla (%s),%s"
    "\t0063 Ficheros de Plantilla de Impresi\xf3n (%s),%s"
    "\t0064 Ficheros de Procedimientos (%s),%s"
    "\t0065 Ficheros de Selecci\xf3n de Aplicaci\xf3n (%s),%s"
    "\t0066 Ficheros de Men\xfa (%s),%s"
    "\t0067 Ficheros PDF (%s),%s"
    "\t0068 Ficheros de Texto (%s),%s"
    "\t0069 Ficheros de Datos (%s),%s"
    "\t0070 Abrir fichero"
    "\t0071 Guardar fichero"
    "\t0072 Seleccione una carpeta"
    "\t0073 Seleccione un color"
    "\t0074 Seleccione una fuente"
    "\t0075 El fichero ya existe. \xbf" "Desea reemplazarlo?"
    "\t0076 No se puede crear la carpeta %s"
    "\t0077 No se puede abrir el fichero %s"
    "\t0078 Error de escritura en %s"
    "\t0079 Configuraci\xf3n"
    "\t0080 (Mayor que),(Menor que), (Igual a),(Desde),(Hasta),(Distinto de)"
    "\t0081 Ordenar por"
    "\t0082 Filtrar"
    "\t0083 Ascendente,Descendente"
    "\t0084 Registros seleccionados: %i"
    "\t0085 Total"
    "\t0086 Subtotal"
    "\t0087 Desde,Hasta"
    "\t0088 Importar datos"
    "\t0089 Exportar datos";

constexpr char kBlock3[] =
    "\t0090 Acceso a Base de datos,Acceso a [$]"
    "\t0091 Conectando con %s"
    "\t0092 Conexi\xf3n establecida"
    "\t0093 Conexi\xf3n cerrada"
    "\t0094 Servidor no disponible"
    "\t0095 Tiempo de espera agotado"
    "\t0096 Usuario o contrase\xf1" "a incorrectos"
    "\t0097 Descargando %s"
    "\t0098 Enviando %s"
    "\t0099 Respuesta del servidor incorrecta"
    "\t0100 Copia de seguridad en %s"
    "\t0101 Restaurar copia de seguridad"
    "\t0102 'Usuario:':'A30'"
    "\t0103 'Contrase\xf1" "a:':'P30','Confirmar contrase\xf1" "a:':'P30'"
    "\t0104 'Recordar (S/N):':'L1'"
    "\t0105 Credenciales guardadas"
    "\t0110 Comprobando actualizaciones..."
    "\t0111 No hay actualizaciones disponibles"
    "\t0112 Hay actualizaciones disponibles"
    "\t0113 Copiando %s"
    "\t0114 Fichero actualizado: %s"
    "\t0115 Fichero omitido: %s"
    "\t0116 Comparando carpetas..."
    "\t0118 La carpeta de origen est\xe1 bloqueada"
    "\t0119 Carpeta de origen no encontrada: %s"
    "\t0120 Carpeta de destino no encontrada: %s"
    "\t0121 Se necesitan permisos de administrador"
    "\t0122 Reiniciando con permisos de administrador..."
    "\t0123 Ejecutando %s"
    "\t0130 Aplicaci\xf3n,Origen,Destino"
    "\t0132 Nueva aplicaci\xf3n"
    "\t0133 \xbf" "Eliminar la aplicaci\xf3n seleccionada?"
    "\t0134 Credenciales,Preferencias"
    "\t0135 Panel de Control de Actualizaciones-'Comprobar actualizaciones:':'L1'::'[$1]','Carpeta de destino:':'A80'::'[$2]','Utilidad de actualizacion:':'A80'::'[$3]','Ultima actualizacion:':'D8'::'[$4]','{-1,+12}a ':'T8'::'[$5]','{-1,}Usar SSH:':'L1'::'[$6]','Comprobar actualizaciones ahora:':'L1'::0"
    "\t0136 Actualizaciones desactivadas"
    "\t0137 \xdaltima actualizaci\xf3n: %s"
    "\t0138 Carpeta de destino no v\xe1lida"
    "\t0139 'Denominaci\xf3n:':'A30'::'[$1]','Origen de datos:':'A60'::'[$2]','Carpeta a actualizar:':'A60'::'[$3]'"
    "\t0140 Se actualizara la carpeta [$].,Actualizaci\xf3n concluida. %i archivos actualizados,La carpeta [$] no puede actualizarse. No puede haver usuarios conectados durante la actualizaci\xf3n"
    "\t0141 Reinicio de contrase\xf1" "as,Servidor desconocido";

constexpr char kBlock4[] =
    // The divider key stands before the progress texts of the updater.
    "\t0999"
    "\t1001                Conectando con el Servidor.....            "
    "\t1002 Leyendo Lista de Archivos..."
    "\t1003 Start Backup %s %s"
    "\t1004 Actualizando %s %s"
    "\t1005 %s Ficheros actualizados";
template <size_t N>
constexpr StrRef BlockRef(const char (&block)[N]) {
    static_assert(N - 1 <= kMaxText, "a catalogue block must fit in one text");
    return StrRef{block, static_cast<uint16_t>(N - 1)};
}

}  // namespace

StrRef CatalogueBlock(int index) {
    switch (index) {
        case 1: return BlockRef(kBlock1);
        case 2: return BlockRef(kBlock2);
        case 3: return BlockRef(kBlock3);
        case 4: return BlockRef(kBlock4);
        default: return StrErr(kErrBadInput);
    }
}

}  // namespace rt
