# snmpsim variation module: the record answers under another OID than its
# own (OID|TAG:rewind|oid=DOTTED,value=VALUE), so that a get-next or a
# get-bulk can be made to step back, as a faulty agent would.
from pysnmp.proto import rfc1902
from snmpsim.mltsplit import split


def init(**context):
    pass


def variate(oid, tag, value, **context):
    settings = dict(split(item, '=') for item in split(value, ','))
    return rfc1902.ObjectName(settings['oid']), tag, settings['value']


def shutdown(**context):
    pass
