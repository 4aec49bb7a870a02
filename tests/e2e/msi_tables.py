#!/usr/bin/env python3
"""The MSI's tables as Windows Installer reads them (msiinfo export), since Wine's msiexec forgives
what Windows' does not: the upgrade code and its two Upgrade rows, a per-machine install into the
64-bit Program Files, the version everywhere it is written, the registry mark of the installer's copy.
    msi_tables.py KELVANER_EXE"""
import os, subprocess, sys, tempfile

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.normpath(os.path.join(here, '..', '..'))
version = open(os.path.join(root, 'VERSION')).readline().strip()
upgrade_code = '{6F1D2C84-3B9A-4E57-9C2E-8A4F0B7D1E35}'  # fixed for ever: later MSIs find this one by it

# table, the key column's value, column, expected value
ROWS = [
    ('Property', 'ALLUSERS', 'Value', '1'),
    ('Property', 'ProductName', 'Value', 'Kelvane'),
    ('Property', 'Manufacturer', 'Value', 'Orvik'),
    ('Property', 'ProductVersion', 'Value', version),
    ('Property', 'UpgradeCode', 'Value', upgrade_code),
    ('Property', 'ARPNOMODIFY', 'Value', '1'),
    # Every older version of the code is found and removed; a later one stops the install.
    ('Upgrade', 'WIX_UPGRADE_DETECTED', 'UpgradeCode', upgrade_code),
    ('Upgrade', 'WIX_UPGRADE_DETECTED', 'VersionMin', ''),
    ('Upgrade', 'WIX_UPGRADE_DETECTED', 'VersionMax', version),
    ('Upgrade', 'WIX_UPGRADE_DETECTED', 'Attributes', '1'),  # min inclusive, max exclusive
    ('Upgrade', 'WIX_DOWNGRADE_DETECTED', 'VersionMin', version),
    ('Upgrade', 'WIX_DOWNGRADE_DETECTED', 'Attributes', '2'),  # only detect
    ('LaunchCondition', 'NOT WIX_DOWNGRADE_DETECTED', 'Condition', 'NOT WIX_DOWNGRADE_DETECTED'),
    ('InstallExecuteSequence', 'FindRelatedProducts', 'Action', 'FindRelatedProducts'),
    ('InstallExecuteSequence', 'RemoveExistingProducts', 'Action', 'RemoveExistingProducts'),
    ('Directory', 'INSTALLFOLDER', 'Directory_Parent', 'ProgramFiles64Folder'),
    ('Directory', 'INSTALLFOLDER', 'DefaultDir', 'Kelvane'),
    ('Directory', 'WORKFOLDER', 'Directory_Parent', 'CommonAppDataFolder'),
    ('Directory', 'WORKFOLDER', 'DefaultDir', 'Kelvane'),
    ('File', 'KelvanerExe', 'FileName', 'kelvaner.exe'),
    ('File', 'KelvanerExe', 'Version', version + '.0'),
    ('Component', 'Kelvaner', 'Attributes', '256'),  # 64-bit
    ('Component', 'Kelvaner', 'KeyPath', 'KelvanerExe'),
    ('Registry', 'InstalledProgram', 'Root', '2'),  # HKLM
    ('Registry', 'InstalledProgram', 'Key', r'Software\Orvik\Kelvane'),
    ('Registry', 'InstalledProgram', 'Value', '[#KelvanerExe]'),
]
# Where each table's rows are told apart (the key column).
KEYS = {'Upgrade': 'ActionProperty', 'Registry': 'Name', 'LaunchCondition': 'Condition'}


def export(msi, table):
    text = subprocess.run(['msiinfo', 'export', msi, table], check=True, capture_output=True, text=True).stdout
    lines = text.split('\r\n') if '\r\n' in text else text.split('\n')
    columns = lines[0].split('\t')
    return columns, [dict(zip(columns, line.split('\t'))) for line in lines[3:] if line]


def main():
    with tempfile.TemporaryDirectory() as work:
        msi = os.path.join(work, 'kelvane.msi')
        subprocess.run([os.path.join(root, 'tools', 'build-msi'), sys.argv[1], msi], check=True, stdout=subprocess.DEVNULL)
        failures, tables = 0, {}
        for table, key, column, expected in ROWS:
            columns, rows = tables.setdefault(table, export(msi, table))
            match = [r for r in rows if r.get(KEYS.get(table, columns[0])) == key]
            got = match[0].get(column) if len(match) == 1 else f'{len(match)} rows'
            if got != expected:
                print(f'FAIL: {table} {key} {column}: got {got!r}, expected {expected!r}')
                failures += 1
        sequence = {r['Action']: int(r['Sequence']) for r in tables['InstallExecuteSequence'][1]}
        # The old product goes before anything of the new one is installed.
        if not sequence['InstallValidate'] < sequence['RemoveExistingProducts'] < sequence['InstallInitialize']:
            print('FAIL: RemoveExistingProducts is not between InstallValidate and InstallInitialize')
            failures += 1
        summary = subprocess.run(['msiinfo', 'suminfo', msi], check=True, capture_output=True, text=True).stdout
        if 'Template: x64;1033' not in summary:  # a 32-bit package would install under Program Files (x86)
            print('FAIL: the package is not x64:', summary)
            failures += 1
        print('all rows as expected' if not failures else f'{failures} row(s) differ')
        return 1 if failures else 0


sys.exit(main())
