#!/usr/bin/env python3
"""deploy/kelvane-task.xml against the Task Scheduler schema (version 1.2) of the elements it uses,
written down here since no Debian package carries Microsoft's XSD: which children each may hold,
in which order, which are required, and what their texts may be. Each row of BROKEN spoils the
file once and must be refused. Then schtasks under Wine registers the file and deletes it again
(Wine keeps the registration and settings, not the triggers or the action, and runs nothing).
    task_xml.py TASK_XML [WINEPREFIX]"""
import os, re, subprocess, sys
import xml.etree.ElementTree as ET

NS = '{http://schemas.microsoft.com/windows/2004/02/mit/task}'
BOOL = r'true|false|1|0'
DURATION = r'P(?!$)(\d+Y)?(\d+M)?(\d+D)?(T(?=\d)(\d+H)?(\d+M)?(\d+S)?)?'
TRIGGER_BASE = ['Enabled', 'StartBoundary', 'EndBoundary', 'Repetition', 'ExecutionTimeLimit']
# element: (how its children come: 'all' any order once each / 'seq' in this order / 'choice'
#           any number of these, [children], {required children}, {attribute: pattern})
SCHEMA = {
    'Task': ('all', ['RegistrationInfo', 'Triggers', 'Settings', 'Data', 'Principals', 'Actions'], {'Actions'},
             {'version': r'1\.[1-4]'}),
    'RegistrationInfo': ('all', ['URI', 'SecurityDescriptor', 'Source', 'Date', 'Author', 'Version', 'Description',
                                 'Documentation'], set(), {}),
    'Triggers': ('choice', ['BootTrigger', 'RegistrationTrigger', 'IdleTrigger', 'TimeTrigger', 'EventTrigger',
                            'LogonTrigger', 'SessionStateChangeTrigger', 'CalendarTrigger'], set(), {}),
    'LogonTrigger': ('seq', TRIGGER_BASE + ['UserId', 'Delay'], set(), {'id': r'.+'}),
    'CalendarTrigger': ('seq', TRIGGER_BASE + ['RandomDelay', 'ScheduleByDay'], {'StartBoundary', 'ScheduleByDay'},
                        {'id': r'.+'}),
    'ScheduleByDay': ('seq', ['DaysInterval'], set(), {}),
    'Principals': ('seq', ['Principal'], {'Principal'}, {}),
    'Principal': ('all', ['UserId', 'LogonType', 'GroupId', 'DisplayName', 'RunLevel'], set(), {'id': r'.+'}),
    'Settings': ('all', ['AllowStartOnDemand', 'RestartOnFailure', 'MultipleInstancesPolicy',
                         'DisallowStartIfOnBatteries', 'StopIfGoingOnBatteries', 'AllowHardTerminate',
                         'StartWhenAvailable', 'NetworkProfileName', 'RunOnlyIfNetworkAvailable', 'WakeToRun',
                         'Enabled', 'Hidden', 'DeleteExpiredTaskAfter', 'IdleSettings', 'NetworkSettings',
                         'ExecutionTimeLimit', 'Priority', 'RunOnlyIfIdle'], set(), {}),
    'Actions': ('choice', ['Exec'], {'Exec'}, {'Context': r'.+'}),
    'Exec': ('seq', ['Command', 'Arguments', 'WorkingDirectory'], {'Command'}, {}),
}
TEXT = {
    'Enabled': BOOL, 'DisallowStartIfOnBatteries': BOOL, 'StopIfGoingOnBatteries': BOOL, 'StartWhenAvailable': BOOL,
    'RunOnlyIfNetworkAvailable': BOOL, 'AllowStartOnDemand': BOOL, 'Hidden': BOOL, 'WakeToRun': BOOL,
    'Delay': DURATION, 'RandomDelay': DURATION, 'ExecutionTimeLimit': DURATION,
    'StartBoundary': r'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d)?',
    'DaysInterval': r'[1-9]\d?|[12]\d\d|3[0-5]\d|36[0-5]',
    'UserId': r'S-1-5-18|S-1-5-19|S-1-5-20|.+', 'RunLevel': r'LeastPrivilege|HighestAvailable',
    'LogonType': r'S4U|Password|InteractiveToken|InteractiveTokenOrPassword|ServiceAccount|Group',
    'MultipleInstancesPolicy': r'Parallel|Queue|IgnoreNew|StopExisting', 'Priority': r'[0-9]|10',
    'Command': r'\S.*', 'Arguments': r'.*', 'WorkingDirectory': r'\S.*', 'Author': r'.*', 'Description': r'.*',
}


def problems(root):
    out = []
    if root.tag != NS + 'Task':
        return [f'the root is {root.tag}, not Task in the task namespace']
    ids = {p.get('id') for p in root.iter(NS + 'Principal')}

    def walk(node, path):
        name = node.tag[len(NS):] if node.tag.startswith(NS) else node.tag
        where = f'{path}/{name}'
        if name in SCHEMA:
            how, allowed, required, attributes = SCHEMA[name]
            for key, value in node.attrib.items():
                if key not in attributes or not re.fullmatch(attributes[key], value):
                    out.append(f'{where}: attribute {key}="{value}"')
            children = [c.tag[len(NS):] if c.tag.startswith(NS) else c.tag for c in node]
            for c in children:
                if c not in allowed:
                    out.append(f'{where}: {c} is not allowed here')
            if how in ('all', 'seq'):
                for c in set(children):
                    if children.count(c) > 1:
                        out.append(f'{where}: {c} more than once')
            if how == 'seq':
                order = [allowed.index(c) for c in children if c in allowed]
                if order != sorted(order):
                    out.append(f'{where}: children out of order: {children}')
            for c in required - set(children):
                out.append(f'{where}: {c} is missing')
            if (node.text or '').strip():
                out.append(f'{where}: text where elements belong')
            for child in node:
                walk(child, where)
        elif name in TEXT:
            if len(node) or not re.fullmatch(TEXT[name], (node.text or '').strip()):
                out.append(f'{where}: "{node.text}" is not a valid {name}')
        else:
            out.append(f'{where}: unknown element')
    walk(root, '')
    context = root.find(f'{NS}Actions')
    if context is not None and context.get('Context') not in ids:
        out.append(f'Actions: Context "{context.get("Context")}" names no Principal')
    return out


# What each row does to the file: a wrong order, an unknown or missing element, bad texts.
BROKEN = [
    ('<Enabled>true</Enabled>\n      <StartBoundary>2025-01-01T12:00:00</StartBoundary>',
     '<StartBoundary>2025-01-01T12:00:00</StartBoundary>\n      <Enabled>true</Enabled>'),
    ('<Settings>', '<Settings><Bogus>1</Bogus>'),
    ('<Command>', '<Arguments/><Command>'),
    ('<Delay>PT1M</Delay>', '<Delay>1 minute</Delay>'),
    ('<RunOnlyIfNetworkAvailable>true<', '<RunOnlyIfNetworkAvailable>yes<'),
    ('<DaysInterval>1<', '<DaysInterval>0<'),
    ('<Actions Context="System">', '<Actions Context="Users">'),
    ('<RunLevel>HighestAvailable<', '<RunLevel>Highest<'),
    ('<ScheduleByDay>', '<ScheduleByDay><ScheduleByDay/>'),
]


def main():
    text = open(sys.argv[1], encoding='utf-8').read()
    failures = 0
    found = problems(ET.fromstring(text))
    for p in found:
        print('FAIL:', p)
    failures += len(found)
    print('ok: the task follows the schema' if not found else '')
    for old, new in BROKEN:
        assert old in text, old
        if not problems(ET.fromstring(text.replace(old, new, 1))):
            print(f'FAIL: the schema check takes the file with {new!r}')
            failures += 1
    if len(sys.argv) > 2:
        failures += wine_schtasks(sys.argv[1], sys.argv[2])
    print('all checks passed' if not failures else f'{failures} check(s) failed')
    return 1 if failures else 0


def wine_schtasks(task, prefix):
    prefix = os.path.abspath(prefix)  # Wine takes no relative prefix
    here = os.path.dirname(os.path.abspath(__file__))
    wine_run = os.path.join(here, '..', '..', 'tools', 'wine-run')
    env = dict(os.environ, KELVANE_WINEPREFIX=prefix, WINEDEBUG='-all')
    stored = os.path.join(prefix, 'drive_c', 'windows', 'system32', 'tasks', 'Kelvane')
    schtasks = lambda *a: subprocess.run([wine_run, 'schtasks', *a], env=env, capture_output=True, timeout=120).returncode
    failures = 0
    path = 'Z:' + os.path.abspath(task).replace('/', '\\')
    if schtasks('/create', '/xml', path, '/tn', 'Kelvane', '/f') != 0 or not os.path.exists(stored):
        print('FAIL: schtasks /create /xml did not register the task'); failures += 1
    elif 'IgnoreNew' not in open(stored, encoding='utf-8-sig').read():
        print('FAIL: the registered task lost its settings'); failures += 1
    else:
        print('ok: schtasks /create /xml registers it under Wine')
    if schtasks('/delete', '/tn', 'Kelvane', '/f') != 0 or os.path.exists(stored):
        print('FAIL: schtasks /delete left the task'); failures += 1
    return failures


sys.exit(main())
