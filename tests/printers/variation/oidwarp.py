# snmpsim variation module: a record tagged with this module
# (OID|TAG:oidwarp|oid=OTHER-OID,value=TEXT) is answered under OTHER-OID
# instead of its own, with TAG and TEXT as its value. A get-next or get-bulk
# then goes on from OTHER-OID, so an agent can be made to answer a walk with
# an OID that goes back, repeats or leaves the column and comes back.
from pysnmp.proto import rfc1902


def init(**context):
    pass


def variate(oid, tag, value, **context):
    settings = dict(item.split('=', 1) for item in value.split(',') if '=' in item)
    answer = rfc1902.ObjectName(settings['oid']) if 'oid' in settings else oid
    return answer, tag, settings.get('value', '')


def shutdown(**context):
    pass
