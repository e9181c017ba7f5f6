#!/usr/bin/python
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers

DOCUMENTATION = r'''
module: reader
short_description: Optimize or restore Adobe Reader with quorvane-cli
description:
  - Brings Adobe Reader on the host, in a Wine prefix on Linux or on the computer itself on Windows, to the state
    asked for, by running C(quorvane-cli optimize --json) or C(quorvane-cli restore --json).
  - What is so already is left alone, so a second run reports no change.
  - Every option but I(state) and I(executable) is the option of C(quorvane-cli) of the same name, with
    underscores for dashes.
version_added: 1.0.0
author: The Quorvane developers
options:
  state:
    description:
      - C(optimized) takes the safety copy of the plug-ins once, leaves only the plug-ins Reader needs (and I(keep))
        loaded, writes Reader's preferences and removes the eBooks, the PrintMe group, the Reader shortcuts and the
        recent files, unless a keep option says otherwise.
      - C(restored) brings every plug-in of the safety copy back and writes Reader's preferences as it has them out
        of the box.
      - For Reader X and later, C(optimized) also turns off in a Wine prefix what does not work there (Protected
        Mode, the updater's start, its helper programs, set aside), and C(restored) puts back exactly what the first
        optimize recorded.
    type: str
    choices: [optimized, restored]
    default: optimized
  prefix:
    description: The Wine prefix to work on. Default as quorvane-cli has it ($WINEPREFIX, else the one prefix that
      holds Adobe Reader, else ~/.wine). Not on Windows.
    type: path
  reader_version:
    description: The Reader version to work on, when none or several are recorded in the registry.
    type: str
  reader_folder:
    description: Reader's folder (the one holding AcroRd32.exe, as a Windows path), when the registry does not name it.
    type: str
  end_reader:
    description: End a running Reader. Without it the module fails while Reader runs, and changes nothing.
    type: bool
    default: false
  keep:
    description: Plug-ins to keep loaded besides EWH32 and search (a file name such as C(Annots.api), or a path below
      plug_ins). Ignored with I(state=restored), as is every keep option, so that one task can switch between
      the two states.
    type: list
    elements: str
    default: []
  keep_splash:
    description: Keep the splash screen.
    type: bool
    default: false
  keep_ads:
    description: Keep the advertisements.
    type: bool
    default: false
  keep_updates:
    description: Keep the updates.
    type: bool
    default: false
  keep_ebooks:
    description: Keep the eBook plug-in files and the "My eBook" folder.
    type: bool
    default: false
  keep_printme:
    description: Keep the "PrintMe Internet Printing" program group.
    type: bool
    default: false
  keep_reader_icon:
    description: Keep the Reader shortcuts of the all-users Start menu and desktop.
    type: bool
    default: false
  keep_connection_speed:
    description: Write the ordinary connection speed.
    type: bool
    default: false
  keep_browser_integration:
    description: Keep browser integration.
    type: bool
    default: false
  keep_exit_confirmation:
    description: Keep the question on closing Reader.
    type: bool
    default: false
  keep_recent_files:
    description: Keep Reader's list of recent files.
    type: bool
    default: false
  keep_plugins:
    description: Keep every plug-in loaded; the safety copy is still taken.
    type: bool
    default: false
  unload:
    description: Reader X and later only (I(keep) is for Reader 5 to 9), plug-ins to unload, by file name or path
      below plug_ins. Which plug-ins those Readers start without is not published, so none is unloaded unless
      named here.
    type: list
    elements: str
    default: []
  keep_protected_mode:
    description: Reader X and later in a Wine prefix, leave Protected Mode as it is. Reader's sandbox does not work
      under Wine, so it is turned off otherwise.
    type: bool
    default: false
  keep_updater_startup:
    description: Reader X and later in a Wine prefix, leave the updater's Run entry and service as they are.
    type: bool
    default: false
  keep_helpers:
    description: Reader X and later in a Wine prefix, leave AdobeARM.exe, armsvc.exe and RdrCEF.exe in place instead
      of setting them aside.
    type: bool
    default: false
  executable:
    description: The quorvane-cli program to run, by name (searched on the PATH) or path.
    type: str
    default: quorvane-cli
attributes:
  check_mode:
    support: full
    description: Runs C(--dry-run), which changes nothing and reports what would change.
  diff_mode:
    support: full
    description: Each registry value with its old and new data, each file or key added or removed.
notes:
  - quorvane-cli must be installed on the managed host.
'''

EXAMPLES = r'''
- name: Reader starts fast on every desktop, its recent files kept
  quorvane.desktop.reader:
    state: optimized
    prefix: "/home/{{ user }}/.wine"
    keep: [Annots.api]
    keep_recent_files: true
    end_reader: true
  become: true
  become_user: "{{ user }}"

- name: Everything back as Reader had it
  quorvane.desktop.reader:
    state: restored
'''

RETURN = r'''
report:
  description: The report quorvane-cli printed (share/schema/quorvane-cli.schema.json in Quorvane's sources).
  returned: when quorvane-cli ran
  type: dict
changes:
  description: Each change as a line of text, as quorvane-cli says it.
  returned: always
  type: list
  elements: str
'''

import json

from ansible.module_utils.basic import AnsibleModule

# Options placed before the command; every other option is optimize's own.
GLOBAL_OPTIONS = ('prefix', 'reader_version', 'reader_folder', 'end_reader')
MODULE_OPTIONS = ('state', 'executable')


# The options as DOCUMENTATION lists them, which Quorvane's tests hold equal
# to the command line's own option table: an option added there fails them
# until it is added here.
ARGUMENTS = dict(
    state=dict(type='str', choices=['optimized', 'restored'], default='optimized'),
    prefix=dict(type='path'),
    reader_version=dict(type='str'),
    reader_folder=dict(type='str'),
    end_reader=dict(type='bool', default=False),
    keep=dict(type='list', elements='str', default=[]),
    keep_splash=dict(type='bool', default=False),
    keep_ads=dict(type='bool', default=False),
    keep_updates=dict(type='bool', default=False),
    keep_ebooks=dict(type='bool', default=False),
    keep_printme=dict(type='bool', default=False),
    keep_reader_icon=dict(type='bool', default=False),
    keep_connection_speed=dict(type='bool', default=False),
    keep_browser_integration=dict(type='bool', default=False),
    keep_exit_confirmation=dict(type='bool', default=False),
    keep_recent_files=dict(type='bool', default=False),
    keep_plugins=dict(type='bool', default=False),
    unload=dict(type='list', elements='str', default=[]),
    keep_protected_mode=dict(type='bool', default=False),
    keep_updater_startup=dict(type='bool', default=False),
    keep_helpers=dict(type='bool', default=False),
    executable=dict(type='str', default='quorvane-cli'),
)


def command_line(params, check_mode):
    args = [params['executable']]
    for name in GLOBAL_OPTIONS:
        value = params[name]
        if value is True:
            args.append('--' + name.replace('_', '-'))
        elif value not in (None, False):
            args += ['--' + name.replace('_', '-'), value]
    command = 'optimize' if params['state'] == 'optimized' else 'restore'
    args += [command, '--json']
    if check_mode:
        args.append('--dry-run')
    if command == 'optimize':
        for name, value in sorted(params.items()):
            if name in GLOBAL_OPTIONS or name in MODULE_OPTIONS:
                continue
            if isinstance(value, list):
                for item in value:
                    args += ['--' + name.replace('_', '-'), item]
            elif value is True:
                args.append('--' + name.replace('_', '-'))
    return args, command


def diff_of(report):
    # Before and after, one line a thing: a value with its data, a path with
    # whether it is there.
    before, after = [], []
    for change in report.get('changes', []):
        kind = change['kind']
        if kind in ('write_value', 'put_back_value', 'delete_value'):
            name = change['key'] + '\\' + change['name']
            old = change['old']
            before.append('%s = %s' % (name, '(not set or no number)' if old is None else old))
            if kind != 'delete_value':
                new = change['new']
                after.append('%s = %s' % (name, '(as it was, no number)' if new is None else new))
        elif kind == 'set_aside':
            before += change.get('paths', [])
        elif kind == 'bring_back':
            after += change.get('paths', [])
        elif kind in ('delete_files', 'trash_folder', 'delete_marker', 'delete_launchers'):
            before += change.get('paths', [])
        elif kind == 'delete_key':
            before.append(change['key'])
        elif kind == 'create_key':
            after.append(change['key'])
        elif kind == 'end_process':
            before.append('%s running (process %s)' % (change['name'], change['pid']))
        else:
            after += change['text']
    text = lambda lines: ''.join(line + '\n' for line in lines)
    return {'before': text(before), 'after': text(after)}


def main():
    module = AnsibleModule(argument_spec=ARGUMENTS, supports_check_mode=True)
    params = module.params
    executable = params['executable']
    if '/' not in executable:
        found = module.get_bin_path(executable)
        if not found:
            module.fail_json(msg='%s was not found on the PATH; install Quorvane, or name the program with '
                                 'executable' % executable, changed=False)
        params['executable'] = found
    args, command = command_line(params, module.check_mode)
    rc, out, err = module.run_command(args)
    try:
        report = json.loads(out)
    except ValueError:
        module.fail_json(msg=(err or out).strip() or 'quorvane-cli printed no report', rc=rc, cmd=args,
                         changed=False)
    result = {
        'changed': bool(report.get('changed')),
        'report': report,
        'changes': [line for change in report.get('changes', []) for line in change['text']],
        'cmd': args,
        'rc': rc,
    }
    if module._diff:
        result['diff'] = diff_of(report)
    if rc != 0:
        module.fail_json(msg=report.get('error') or err.strip(), stderr=err, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
