// Message catalogue: block layout, every stated text, key lookup, fields and a loaded language resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "runtime/catalogue.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::V;

namespace {

// Keys the catalogue holds, block by block.
std::vector<std::vector<int>> ListedKeys() {
    std::vector<std::vector<int>> blocks(4);
    for (int k = 0; k <= 39; ++k) blocks[0].push_back(k);
    for (int k = 40; k <= 89; ++k) blocks[1].push_back(k);
    for (int k = 90; k <= 105; ++k) blocks[2].push_back(k);
    for (int k : {110, 111, 112, 113, 114, 115, 116, 118, 119, 120, 121, 122, 123, 130, 132, 133, 134,
                  135, 136, 137, 138, 139, 140, 141}) {
        blocks[2].push_back(k);
    }
    for (int k = 1001; k <= 1005; ++k) blocks[3].push_back(k);
    return blocks;
}

struct Entry {
    int key;
    std::string text;
};

// Independent reading of a block: tab-separated "NNNN text" entries, the block opening with a tab.
std::vector<Entry> ParseBlock(StrRef block) {
    std::vector<Entry> out;
    std::string s = Str(block);
    EXPECT_FALSE(s.empty());
    EXPECT_EQ(s[0], '\t');
    size_t at = 1;
    while (at <= s.size()) {
        size_t end = s.find('\t', at);
        if (end == std::string::npos) end = s.size();
        std::string entry = s.substr(at, end - at);
        bool keyed = entry.size() >= 4 && std::all_of(entry.begin(), entry.begin() + 4, ::isdigit);
        EXPECT_TRUE(keyed) << "entry without a key: " << entry;
        if (keyed) {
            if (entry.size() > 4) {
                EXPECT_EQ(entry[4], ' ') << entry;
            }
            out.push_back(Entry{std::stoi(entry.substr(0, 4)), entry.size() > 5 ? entry.substr(5) : std::string()});
        }
        at = end + 1;
    }
    return out;
}

struct Given {
    int key;
    const char* text;
};

// Texts the system states for its messages, byte for byte (Windows-1252).
const Given kGiven[] = {
    {1, "Limpiar,Primero,Anterior,Recargar,Siguiente,Ultimo,Seleccionar,Grabar,Insertar,Anular,Listado,Pg.Sig,Pg.Ant,Importar,Modo,Anular Doc,Impresion,Sel.Tabla"},
    {2, "Pulse Enter para continuar"},
    {3, "Los cambios se aplicar\xe1n tras reiniciar."},
    {4, "Fichero no encontrado:%s"},
    {5, "Proceso Completado Satisfactoriamente"},
    {6, "Cancelado por el Usuario"},
    {7, "Datos no Encontrados"},
    {8, "Precauci\xf3n "},
    {9, "Error "},
    {10, "No definido"},
    {11, "Ss,Nn"},
    {12, "Mensaje Informativo"},
    {13, "Alerta de Mensaje Fatal"},
    {14, "Solicitud de Informaci\xf3n"},
    {15, "Permiso denegado"},
    {16, "Proceso en progreso....."},
    {17, "Parametros incorrectos para campo de pantalla%s\r\n (%s)"},
    {18, "Posible perdida de datos."},
    {19, "NS;,NO,SI;Enero,Febrero,Marzo,Abril,Mayo,Junio,Julio,Agosto,Septiembre,Octubre,Noviembre,Diciembre;[$1] de [$2] de [$3]"},
    {20, "Cancelar, Por favor confirmar"},
    {21, "Error de conexi\xf3n SQL"},
    {22, "Mantenimiento de Ficheros,Captura de Datos"},
    {23, "Clave no encontrada,Fin de fichero,,,Clave incorrecta,Clave Repetida,Datos Cambiados. Grabaci\xf3n canceleda,Datos Cambiados. Confirmar,Contrase\xf1" "as no coinciden"},
    {24, "Modificaci\xf3n de Clave descartada"},
    {25, "\xbf" "Confirma la eliminaci\xf3n?"},
    {26, "Visualizar,Insertar,Eliminar,Buscar"},
    {27, "Datos Cabecera,Tipo de Documento,Busqueda,Edicion,Edicion lineas,Edicion res\xfamen,Datos grabados,Nueva alta,Modificaci\xf3n,Modo Inserci\xf3n,Modo Mantenimiento,Impres.Desact.,Impres.Act.,Solo Consulta"},
    {28, "Nuevo,Inic.,Ant.,Sig.,Ult.,Buscar,Grabar,Borrar"},
    {29, "Cancelar,Buscar,Grabar,Insertar,Anular Lin.,Importar,Anular Doc.,Modo Impr."},
    {30, "Cancelar,PgAnt.,PgSig.,Grabar,Insertar,Anular,Importar,Modo"},
    {31, "Proceso no definido"},
    {32, "Aun hay ventanas abiertas (%i Pantallas, %i Ventanas)"},
    {33, "Recuerde sus Copias de Seguridad"},
    {34, "Selecci\xf3n de Aplicaci\xf3n"},
    {35, "Debe efectuar una configuraci\xf3n en la carpeta por defecto.\r\nConsulte la documentaci\xf3n"},
    {36, "%s (Aplicaci\xf3n desconocida)"},
    {37, "Solo disponible en Busqueda"},
    {38, "Solo disponible en Modo Mantenimiento,Para a\xf1" "adir datos es recomendable usar el mode de Inserci\xf3n"},
    {39, "\xbf" "Continuar?"},
    {49, "Seleccione su opci\xf3n"},
    {60, "Todos (%s),%s"},
    {61, "Ficheros de Estructura (%s),%s"},
    {62, "Ficheros de Pantalla (%s),%s"},
    {63, "Ficheros de Plantilla de Impresi\xf3n (%s),%s"},
    {64, "Ficheros de Procedimientos (%s),%s"},
    {65, "Ficheros de Selecci\xf3n de Aplicaci\xf3n (%s),%s"},
    {66, "Ficheros de Men\xfa (%s),%s"},
    {67, "Ficheros PDF (%s),%s"},
    {68, "Ficheros de Texto (%s),%s"},
    {79, "Configuraci\xf3n"},
    {80, "(Mayor que),(Menor que), (Igual a),(Desde),(Hasta),(Distinto de)"},
    {90, "Acceso a Base de datos,Acceso a [$]"},
    {102, "'Usuario:':'A30'"},
    {104, "'Recordar (S/N):':'L1'"},
    {134, "Credenciales,Preferencias"},
    {135, "Panel de Control de Actualizaciones-'Comprobar actualizaciones:':'L1'::'[$1]','Carpeta de destino:':'A80'::'[$2]','Utilidad de actualizacion:':'A80'::'[$3]','Ultima actualizacion:':'D8'::'[$4]','{-1,+12}a ':'T8'::'[$5]','{-1,}Usar SSH:':'L1'::'[$6]','Comprobar actualizaciones ahora:':'L1'::0"},
    {139, "'Denominaci\xf3n:':'A30'::'[$1]','Origen de datos:':'A60'::'[$2]','Carpeta a actualizar:':'A60'::'[$3]'"},
    {140, "Se actualizara la carpeta [$].,Actualizaci\xf3n concluida. %i archivos actualizados,La carpeta [$] no puede actualizarse. No puede haver usuarios conectados durante la actualizaci\xf3n"},
    {141, "Reinicio de contrase\xf1" "as,Servidor desconocido"},
    {1001, "               Conectando con el Servidor.....            "},
    {1002, "Leyendo Lista de Archivos..."},
    {1003, "Start Backup %s %s"},
    {1004, "Actualizando %s %s"},
    {1005, "%s Ficheros actualizados"},
};

class CatalogueTest : public rt_test::BalancedPoolTest {
protected:
    void SetUp() override {
        BalancedPoolTest::SetUp();
        StoreSet(kGroupSystem, kItemLangResource, StrEmpty());
    }
    void TearDown() override {
        StoreSet(kGroupSystem, kItemLangResource, StrEmpty());
        BalancedPoolTest::TearDown();
    }
};

}  // namespace

TEST_F(CatalogueTest, MessageKeyIsFourZeroFilledDigits) {
    struct Case {
        uint16_t n;
        const char* key;
    } cases[] = {{0, "0000"}, {7, "0007"}, {90, "0090"}, {999, "0999"}, {1004, "1004"}, {9999, "9999"}};
    for (const Case& c : cases) {
        uint16_t m = PoolMark();
        EXPECT_EQ(Str(MessageKey(c.n)), c.key);
        EXPECT_EQ(PoolMark(), m + 1);
        PoolRelease(m);
    }
    // Five digits would no longer be a key.
    EXPECT_EQ(StrError(MessageKey(10000)), kErrBadInput);
    EXPECT_EQ(StrError(MessageKey(0xFFFF)), kErrBadInput);
}

TEST_F(CatalogueTest, BlocksHoldExactlyTheListedKeysInOrder) {
    std::vector<std::vector<int>> listed = ListedKeys();
    int previous = -1;
    for (int b = 1; b <= 4; ++b) {
        std::vector<Entry> entries = ParseBlock(CatalogueBlock(b));
        ASSERT_FALSE(entries.empty());
        if (b == 4) {
            // The divider stands alone before the last block's entries.
            EXPECT_EQ(entries[0].key, 999);
            EXPECT_EQ(entries[0].text, "");
            entries.erase(entries.begin());
        }
        std::vector<int> keys;
        for (const Entry& e : entries) {
            EXPECT_GT(e.key, previous) << "keys out of order in block " << b;
            previous = e.key;
            keys.push_back(e.key);
            EXPECT_FALSE(e.text.empty()) << "empty text for " << e.key;
        }
        EXPECT_EQ(keys, listed[b - 1]) << "block " << b;
    }
    EXPECT_EQ(StrError(CatalogueBlock(0)), kErrBadInput);
    EXPECT_EQ(StrError(CatalogueBlock(5)), kErrBadInput);
    EXPECT_EQ(StrError(CatalogueBlock(-1)), kErrBadInput);
}

TEST_F(CatalogueTest, EveryEntryIsFoundAtItsOwnPlace) {
    // The lookup takes the first quoted-mode occurrence of the key: a stray key or an unpaired
    // quote in an earlier text would make it answer with the wrong text.
    for (int b = 1; b <= 4; ++b) {
        for (const Entry& e : ParseBlock(CatalogueBlock(b))) {
            if (e.key == 999) continue;
            size_t singles = 0, doubles = 0;
            for (char ch : e.text) {
                singles += ch == '\'';
                doubles += ch == '"';
            }
            EXPECT_EQ(singles % 2, 0u) << e.key;
            EXPECT_EQ(doubles % 2, 0u) << e.key;
            EXPECT_EQ(Str(Message(static_cast<uint16_t>(e.key))), e.text) << e.key;
        }
    }
}

TEST_F(CatalogueTest, StatedTextsAreExact) {
    for (const Given& g : kGiven) {
        EXPECT_EQ(Str(Message(static_cast<uint16_t>(g.key))), g.text) << g.key;
    }
    // The password prompt is stated without its confirmation field.
    EXPECT_EQ(Str(MessageField(103, 1)), "'Contrase\xf1" "a:':'P30'");
}

TEST_F(CatalogueTest, MissingKeysGiveTheStandIn) {
    std::set<int> present;
    for (const auto& block : ListedKeys()) present.insert(block.begin(), block.end());
    for (int n = 0; n <= 1100; ++n) {
        if (present.count(n)) continue;
        uint16_t m = PoolMark();
        char expect[40];
        std::snprintf(expect, sizeof expect, "Lang code %04d not found.", n);
        EXPECT_EQ(Str(Message(static_cast<uint16_t>(n))), expect);
        EXPECT_EQ(PoolMark(), m + 1);
        PoolRelease(m);
    }
    EXPECT_EQ(Str(Message(106)), "Lang code 0106 not found.");
    EXPECT_EQ(Str(Message(9999)), "Lang code 9999 not found.");
    EXPECT_EQ(Str(Message(10000)), "Lang code 10000 not found.");
    EXPECT_EQ(Str(Message(0xFFFF)), "Lang code 65535 not found.");
    PoolRelease(mark_);  // the four texts above
}

TEST_F(CatalogueTest, BuiltInMessagesNeedNoPool) {
    uint16_t m = PoolMark();
    StrRef text = Message(5);
    EXPECT_EQ(PoolMark(), m);
    PoolRelease(0);  // even a fully released pool leaves the text intact
    EXPECT_EQ(Str(text), "Proceso Completado Satisfactoriamente");
    EXPECT_EQ(Str(MessageField(0, 24)), "OUTOFMEMORY");
    EXPECT_EQ(PoolMark(), 0);
    mark_ = 0;
}

TEST_F(CatalogueTest, FieldsCountFromOneAndZeroCountsAsOne) {
    struct Case {
        uint16_t n, k;
        const char* field;
    } cases[] = {
        {1, 0, "Limpiar"},
        {1, 1, "Limpiar"},
        {1, 18, "Sel.Tabla"},
        {1, 19, ""},
        {1, 0xFFFF, ""},
        {20, 1, "Cancelar"},
        {20, 2, " Por favor confirmar"},
        {23, 3, ""},
        {23, 7, "Datos Cambiados. Grabaci\xf3n canceleda"},
        {134, 2, "Preferencias"},
        {140, 1, "Se actualizara la carpeta [$]."},
        {140, 2, "Actualizaci\xf3n concluida. %i archivos actualizados"},
        {141, 2, "Servidor desconocido"},
        {90, 2, "Acceso a [$]"},
        // A form definition splits at commas outside its quotes only.
        {135, 2, "'Carpeta de destino:':'A80'::'[$2]'"},
        {135, 5, "'{-1,+12}a ':'T8'::'[$5]'"},
        {102, 1, "'Usuario:':'A30'"},
        {104, 1, "'Recordar (S/N):':'L1'"},
        {106, 1, "Lang code 0106 not found."},
    };
    for (const Case& c : cases) {
        uint16_t m = PoolMark();
        EXPECT_EQ(Str(MessageField(c.n, c.k)), c.field) << c.n << "," << c.k;
        EXPECT_LE(PoolMark(), m + 1);
        PoolRelease(m);
    }
}

TEST_F(CatalogueTest, LoadedResourceOverridesTheBuiltInCatalogue) {
    // The first entry has no NUL before it; a key quoted inside a text is not an entry.
    static const char kRes[] = "0007 Datos perdidos\0" "0001 ver 0002 abajo\0" "0002 real\0"
                               "0009=Fallo \0" "0000 Cancelado,Nulo\0" "0012 \0" "0020 Ultimo";
    StrRef res = StrMake(kRes, sizeof kRes - 1);
    ASSERT_EQ(StoreSet(kGroupSystem, kItemLangResource, res), 0);
    struct Case {
        uint16_t n;
        const char* text;
    } cases[] = {
        {7, "Datos perdidos"},
        {1, "ver 0002 abajo"},
        {2, "real"},
        {9, "Fallo "},
        {20, "Ultimo"},
        {12, "Lang code 0012 not found."},
        // A loaded resource answers alone: the built-in texts no longer stand behind it.
        {5, "Lang code 0005 not found."},
        {1001, "Lang code 1001 not found."},
    };
    for (const Case& c : cases) {
        uint16_t m = PoolMark();
        EXPECT_EQ(Str(Message(c.n)), c.text) << c.n;
        EXPECT_EQ(PoolMark(), m + 1);
        PoolRelease(m);
    }
    EXPECT_EQ(Str(MessageField(0, 2)), "Nulo");
    EXPECT_EQ(PoolMark(), mark_ + 1);
    PoolRelease(mark_);

    // The text is a copy: changing the store afterwards leaves it intact.
    StrRef kept = Message(7);
    StoreSet(kGroupSystem, kItemLangResource, V(std::string(3000, 'x')));
    EXPECT_EQ(Str(kept), "Datos perdidos");
    PoolRelease(mark_);

    // One character is no resource.
    StoreSet(kGroupSystem, kItemLangResource, StrFromLiteral("x"));
    EXPECT_EQ(Str(Message(7)), "Datos no Encontrados");
}

TEST_F(CatalogueTest, TruncatedResourceEntriesDoNotReadPastTheEnd) {
    const std::string cases[] = {std::string("0007", 4), std::string("\0" "0007", 5), std::string("\0" "0007 ", 6),
                                 std::string("xx\0" "000", 6)};
    for (const std::string& res : cases) {
        StoreSet(kGroupSystem, kItemLangResource, V(res));
        EXPECT_EQ(Str(Message(7)), "Lang code 0007 not found.");
        PoolRelease(mark_);
    }
}
